// The texts command-line mode can show: the usage text and the error report of /E.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace kadrel {

/// The nine error-bit lines in ascending order of the bit.
const std::vector<std::string>& errorBitLines();

/// The name the program was started by, without its folder ("kadrel" when argv0 gives none);
/// on Windows with ".exe", typed or not.
std::string programName(const char* argv0, PathStyle style = kNativePathStyle);

/// The lines of the usage text, its examples (paths of style) started by program.
std::vector<std::string> usageLines(const std::string& program, PathStyle style = kNativePathStyle);

/// The lines of the /E error report for a code.
std::vector<std::string> errorReportLines(int code);

/// Lines joined with CR LF, as message boxes and files carry them.
std::string joinCrLf(const std::vector<std::string>& lines);

}  // namespace kadrel
