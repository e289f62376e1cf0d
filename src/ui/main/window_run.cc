#include "ui/main/window_run.h"

#include <QDir>

#include "engine/copy/file_search.h"
#include "engine/copy/run_summary.h"
#include "engine/debug_log.h"
#include "ui/browser/manual_selection.h"
#include "ui/main/input_rules.h"
#include "ui/main/start_checks.h"

namespace kadrel {

void openRunLog(const Settings& settings, DebugLog& log) {
    std::string name, folder, ext;
    splitPath(settings.iniFile, name, folder, ext);
    log.openDebugLog(debugLogPath(folder));
}

std::optional<RunResult> runFromWindow(const RunContext& ctx, const WindowRun& run) {
    CopyRunExtras extras;
    extras.confirmRoom = [&ctx](int64_t bytes, int64_t available) {
        return confirmRoom(bytes, available, ctx.ui);
    };
    if (run.allFiles)
        return copyAllFound(ctx, run.source, run.target, run.setWideScreen, true, extras);
    std::vector<std::string> files;
    const int32_t count = collectSelectedFiles(*run.store, files);
    if (count < 1) {
        showError(ctx.ui, "No files are selected!");
        return std::nullopt;
    }
    return copyFileList(ctx, count, files, run.target, run.setWideScreen, true, true, extras);
}

std::string summaryFolder(const WindowRun& run) {
    return run.target.empty() ? run.source : run.target;
}

std::string windowSummary(const RunResult& result, const WindowRun& run) {
    const std::string shown = abbreviateHome(summaryFolder(run), QDir::homePath().toStdString());
    return runSummary(result, shown, run.target.empty());
}

}  // namespace kadrel
