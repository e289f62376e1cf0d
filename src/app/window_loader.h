// Window mode, reached through the window module that lives beside the program in the build
// tree and in the library folder once installed.
#pragma once

#include "settings/settings.h"

namespace kadrel {

/// Loads the window module and runs window mode; when the module is missing, or the build has
/// no window (Windows), says so in one line and returns status 2.
int runWindowModeFromModule(int argc, char** argv, Settings& settings);

}  // namespace kadrel
