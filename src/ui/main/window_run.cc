#include "ui/main/window_run.h"

#include <QDir>

#include "engine/copy/file_search.h"
#include "engine/copy/run_summary.h"
#include "engine/debug_log.h"
#include "ui/main/input_rules.h"

namespace kadrel {

ProgressCall progressOn(QObject* receiver, UiSeam& ui) {
    return [receiver, &ui](const std::string& text, int percent) {
        QMetaObject::invokeMethod(
            receiver, [&ui, text, percent] { ui.showProgress(text, percent); }, Qt::QueuedConnection);
    };
}

void openRunLog(const Settings& settings, DebugLog& log) {
    std::string name, folder, ext;
    splitPath(settings.iniFile, name, folder, ext);
    log.openDebugLog(debugLogPath(folder));
}

void runFromWindow(RunJob& job, bool stopWhenShortOfRoom) {
    CopyRunExtras extras;
    extras.faults = job.faults;
    extras.stopWhenShortOfRoom = stopWhenShortOfRoom;
    const WindowRun& run = job.run;
    job.result = run.allFiles
                     ? copyAllFound(job.ctx, run.source, run.target, run.setWideScreen, true, extras)
                     : copyFileList(job.ctx, run.picked, run.target, run.setWideScreen, true, true, extras);
}

std::string summaryFolder(const WindowRun& run) {
    return run.target.empty() ? run.source : run.target;
}

std::string windowSummary(const RunResult& result, const WindowRun& run) {
    const std::string shown = abbreviateHome(summaryFolder(run), QDir::homePath().toStdString());
    return runSummary(result, shown, run.target.empty());
}

}  // namespace kadrel
