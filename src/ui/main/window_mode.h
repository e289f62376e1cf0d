// Window mode's entry, kept free of Qt so the process entry can pick it without knowing Qt.
#pragma once

#include "settings/settings.h"

namespace kadrel {

/// Shows the main window and runs its event loop; returns the exit status.
int runWindowMode(int argc, char** argv, Settings& settings);

}  // namespace kadrel
