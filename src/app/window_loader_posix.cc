#include <cstdio>
#include <string>

#include "app/window_loader.h"
#include "platform/file_system.h"
#include "platform/module_loader.h"

namespace kadrel {

namespace {

using WindowEntry = int (*)(int, char**, Settings*);

// Beside the program in the build tree; installed, in the library folder, reached relative to
// the program (KADREL_MODULE_DIR_FROM_BIN comes from the build) so a moved prefix still works.
std::string windowModulePath(const std::string& programDir) {
    const std::string name = platform::moduleFileName("kadrel_window");
    const std::string beside = programDir + name;
    if (platform::entryKind(beside) == platform::EntryKind::Regular)
        return beside;
    return programDir + KADREL_MODULE_DIR_FROM_BIN + platform::kSeparator + name;
}

}  // namespace

int runWindowModeFromModule(int argc, char** argv, Settings& settings) {
    const std::string path = windowModulePath(platform::programFolder());
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
