// The closing words of a run: what it did and what it left undone, in one line. The window
// shows it in its status line, the terminal on standard error.
#pragma once

#include <string>

#include "engine/copy/copy_run.h"

namespace kadrel {

/// The files copied (patch mode: renamed and patched) and where, how many /W marked 16:9 and
/// how many it left 4:3 for their companions, the originals deleted, and the files not done
/// with why. folder is shown as given.
std::string runSummary(const RunResult& result, const std::string& folder, bool patchMode);

}  // namespace kadrel
