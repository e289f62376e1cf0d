// Reads and writes single keys of a profile (ini) file, with the fixed-size result buffer of
// the Windows profile call that the rest of the program was built around.
#pragma once

#include <cstddef>
#include <string>

namespace kadrel {

/// Size of the result buffer of a key read, its terminating NUL included.
inline constexpr size_t kIniBufferSize = 32767;

/// The value of key in section of file; empty when it cannot be read. A value is cut after
/// kIniBufferSize - 1 characters and at its first NUL.
std::string ReadIniKey(const std::string& file, const std::string& section, const std::string& key);

/// Sets key in section of file to value, keeping every other line. False when nothing was written.
bool WriteIniKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

}  // namespace kadrel
