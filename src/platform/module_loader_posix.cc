#include <dlfcn.h>

#include "platform/module_loader.h"

namespace kadrel::platform {

void* loadModuleSymbol(const std::string& path, const std::string& symbol, std::string& error) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
        return nullptr;
    }
    void* address = dlsym(module, symbol.c_str());
    if (!address) {
        const char* reason = dlerror();
        error = reason ? reason : symbol + " not found in " + path;
    }
    return address;
}

std::string moduleFileName(const std::string& base) {
    return base + ".so";
}

}  // namespace kadrel::platform
