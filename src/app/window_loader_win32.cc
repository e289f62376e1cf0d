#include <cstdio>

#include "app/window_loader.h"

namespace kadrel {

// The window toolkit is not packaged for Windows, so this build has the command line only; the
// status is the one a Linux build gives when it cannot open its window.
int runWindowModeFromModule(int, char**, Settings&) {
    std::fprintf(stderr,
                 "kadrel: the window is not part of this build; for command-line mode see kadrel.exe /?\n");
    return 2;
}

}  // namespace kadrel
