#include <dlfcn.h>

#include "platform/module_loader.h"

namespace kadrel::platform {

std::string loadModuleSymbol(const std::string& path, const std::string& symbol, void*& address) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        return reason ? reason : "cannot load " + path;
    }
    void* found = dlsym(module, symbol.c_str());
    if (!found) {
        const char* reason = dlerror();
        return reason ? reason : symbol + " not found in " + path;
    }
    address = found;
    return {};
}

std::string moduleFileName(const std::string& base) {
    return base + ".so";
}

}  // namespace kadrel::platform
