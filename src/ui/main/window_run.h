// One copy run as the window starts it: all files found under the source, or the files picked
// in the browser, to the target (patch mode without one), with the question the window asks
// before copies that need more room than the target has; and the summary it shows after.
#pragma once

#include <optional>
#include <string>

#include "engine/copy/copy_run.h"
#include "ui/browser/thumbnail_store.h"

namespace kadrel {

/// What Start hands a run, taken from the fields when it begins.
struct WindowRun {
    std::string source;
    std::string target;  ///< "" for patch mode
    bool allFiles = true;
    bool setWideScreen = false;
    const ThumbnailStore* store = nullptr;  ///< the picked files when !allFiles
};

/// Opens the debug log beside the settings file, for one run.
void openRunLog(const Settings& settings, DebugLog& log);

/// Runs run through ctx; nothing when no file is picked (then the user is told).
std::optional<RunResult> runFromWindow(const RunContext& ctx, const WindowRun& run);

/// The folder the run's files went to: the target, or the source folder after patch mode.
std::string summaryFolder(const WindowRun& run);

/// The summary of a finished run, the home folder shown as "~".
std::string windowSummary(const RunResult& result, const WindowRun& run);

}  // namespace kadrel
