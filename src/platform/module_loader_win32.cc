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

void* loadModuleSymbol(const std::string& path, const std::string& symbol, std::string& error) {
    std::wstring wide;
    if (!toWide(path, wide)) {
        error = "cannot load " + path + ": the name is not valid UTF-8";
        return nullptr;
    }
    // Kept for the life of the process, as its code may run until the end.
    HMODULE module = LoadLibraryW(wide.c_str());
    if (!module) {
        error = loadFailure("cannot load " + path);
        return nullptr;
    }
    FARPROC address = GetProcAddress(module, symbol.c_str());
    if (!address) {
        error = loadFailure(symbol + " not found in " + path);
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

std::string moduleFileName(const std::string& base) {
    return base + ".dll";
}

}  // namespace kadrel::platform
