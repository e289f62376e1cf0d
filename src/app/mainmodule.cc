#include "app/mainmodule.h"

#include <cstdio>

namespace kadrel {

int Main(int argc, char** argv) {
    (void)argv;
    if (argc <= 1) {
        std::fputs("kadrel: window mode is not built yet; use the command line (kadrel -h).\n", stderr);
        return 3;
    }
    return 0;
}

}  // namespace kadrel
