// Loading a library of our own at run time, so a part that needs many system libraries is
// only mapped when it is used.
#pragma once

#include <string>

namespace kadrel::platform {

/// The address of symbol in the library at path, loaded once and kept for the process; null
/// with the system's reason in error when either cannot be found.
void* loadModuleSymbol(const std::string& path, const std::string& symbol, std::string& error);

/// The file name of a loadable module on this platform ("kadrel_window" -> "kadrel_window.so").
std::string moduleFileName(const std::string& base);

}  // namespace kadrel::platform
