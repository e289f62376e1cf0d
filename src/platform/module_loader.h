// Loading a library of our own at run time, so a part that needs many system libraries is
// only mapped when it is used.
// The loader reports why it failed in words only, with no error number to return, so this call
// keeps the shape of the others (file_system.h) with text in the number's place: it returns ""
// when it did its work, else the loader's reason, and gives what it found through an
// out-parameter.
#pragma once

#include <string>

namespace kadrel::platform {

/// Gives the address of symbol in the library at path, which is loaded once and kept for the
/// process.
std::string loadModuleSymbol(const std::string& path, const std::string& symbol, void*& address);

/// The file name of a loadable module on this platform ("kadrel_window" -> "kadrel_window.so",
/// "kadrel_window.dll" on Windows).
std::string moduleFileName(const std::string& base);

}  // namespace kadrel::platform
