// Process entry: picks the run mode and, on the command line, runs one copy or patch run.
#pragma once

#include "settings/settings.h"

namespace kadrel {

/// Window mode, supplied by the window library so this entry stays free of it.
using WindowModeEntry = int (*)(int argc, char** argv, Settings& settings);

/// Picks the run mode; returns the process's exit status.
int runProgram(int argc, char** argv, WindowModeEntry windowMode);

}  // namespace kadrel
