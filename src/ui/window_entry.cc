// The one symbol the program looks up in the window module.
#include "ui/main/window_mode.h"

extern "C" int kadrel_run_window_mode(int argc, char** argv, kadrel::Settings* settings) {
    return kadrel::runWindowMode(argc, argv, *settings);
}
