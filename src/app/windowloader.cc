#include "app/windowloader.h"

#include <cstdio>
#include <string>

#include "platform/filesys.h"
#include "platform/moduleloader.h"

namespace kadrel {

namespace {

using WindowEntry = int (*)(int, char**, Settings*);

}  // namespace

int runWindowModeFromModule(int argc, char** argv, Settings& settings) {
    const std::string path = platform::programFolder() + platform::moduleFileName("kadrel_window");
    std::string error;
    void* symbol = platform::loadModuleSymbol(path, "kadrel_run_window_mode", error);
    if (!symbol) {
        std::fprintf(stderr, "kadrel: the window is not available (%s); use command-line mode (kadrel -h).\n",
                     error.c_str());
        return 2;
    }
    return reinterpret_cast<WindowEntry>(symbol)(argc, argv, &settings);
}

}  // namespace kadrel
