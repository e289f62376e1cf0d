// One copy run as the window starts it: all files found under the source, or the files picked
// in the browser, to the target (patch mode without one); the job a worker thread runs it in;
// and the summary the window shows after.
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "app/ui_seam.h"
#include "engine/copy/copy_run.h"
#include "engine/debug_log.h"

namespace kadrel {

/// What Start hands a run, taken from the fields when it begins.
struct WindowRun {
    std::string source;
    std::string target;  ///< "" for patch mode
    bool allFiles = true;
    bool setWideScreen = false;
    std::vector<std::string> picked;  ///< the files picked in the browser when !allFiles
};

/// A run on the worker thread: its own snapshot of the settings, so that the fields may change
/// meanwhile, the window's flags for Abort, and what it came to.
struct RunJob {
    RunJob(const Settings& s, RunControl& control, DebugLog& log, WindowRun what)
        : settings(s), ctx{settings, control, log}, run(std::move(what)) {}
    Settings settings;
    RunContext ctx;
    WindowRun run;
    RunResult result;
    platform::FileFaults* faults = nullptr;  ///< file-system seam for tests
};

/// A progress routine for the worker that shows each call through ui, queued on receiver's
/// thread.
ProgressCall progressOn(QObject* receiver, UiSeam& ui);

/// Opens the debug log beside the settings file, for one run.
void openRunLog(const Settings& settings, DebugLog& log);

/// Runs job.run through job.ctx into job.result (the worker's part). With stopWhenShortOfRoom
/// the run stops before its first write when the copies would not fit.
void runFromWindow(RunJob& job, bool stopWhenShortOfRoom);

/// The folder the run's files went to: the target, or the source folder after patch mode.
std::string summaryFolder(const WindowRun& run);

/// The summary of a finished run, the home folder shown as "~".
std::string windowSummary(const RunResult& result, const WindowRun& run);

}  // namespace kadrel
