// Window mode, reached through the window module beside the program.
#pragma once

#include "settings/settings.h"

namespace kadrel {

/// Loads the window module from the program's folder and runs window mode; when the module
/// is missing, says so in one line and returns a failure status.
int runWindowModeFromModule(int argc, char** argv, Settings& settings);

}  // namespace kadrel
