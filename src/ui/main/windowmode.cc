#include "ui/main/windowmode.h"

#include <cstdio>

namespace kadrel {

int runWindowMode(int argc, char** argv, Settings& settings) {
    (void)argc, (void)argv, (void)settings;
    std::fputs("kadrel: window mode is not built yet; use the command line (kadrel -h).\n", stderr);
    return 3;
}

}  // namespace kadrel
