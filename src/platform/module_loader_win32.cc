#include "platform/handle_win32.h"
#include "platform/module_loader.h"

namespace kadrel::platform {

namespace {

std::string loadFailure(const std::string& what) {
    const DWORD code = GetLastError();
    const std::string text = systemMessage(code);
    return what + ": " + (text.empty() ? "system error " + std::to_string(code) : text);
}

}  // namespace

std::string loadModuleSymbol(const std::string& path, const std::string& symbol, void*& address) {
    std::wstring wide;
    if (!toWide(path, wide))
        return "cannot load " + path + ": the name is not valid UTF-8";
    // Kept for the life of the process, as its code may run until the end.
    HMODULE module = LoadLibraryW(wide.c_str());
    if (!module)
        return loadFailure("cannot load " + path);
    FARPROC found = GetProcAddress(module, symbol.c_str());
    if (!found)
        return loadFailure(symbol + " not found in " + path);
    address = reinterpret_cast<void*>(found);
    return {};
}

std::string moduleFileName(const std::string& base) {
    return base + ".dll";
}

}  // namespace kadrel::platform
