#include "app/program.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run_ending.h"
#include "app/terminal_progress.h"
#include "app/terminal_ui.h"
#include "app/usage_texts.h"
#include "engine/copy/copy_run.h"
#include "engine/copy/file_search.h"
#include "engine/copy/name_check.h"
#include "engine/copy/run_summary.h"
#include "engine/run_context.h"
#include "platform/console_program.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"

namespace kadrel {

namespace {

/// A system that keeps only some bits of an exit status (POSIX: 8) gets the largest it keeps
/// for a larger code, which must not wrap round to success.
int exitStatus(int code) {
    return std::min(code, platform::largestExitStatus());
}

void showUsage(const char* argv0) {
    for (const auto& line : usageLines(programName(argv0)))
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void showErrorReport(UiSeam& ui, int code) {
    ui.showReport(joinCrLf(errorReportLines(code)), "Error");
}

/// The status of a finished run: 0 when every file found went through every step, the
/// run-failure code when any did not, 128 + the signal that stopped it.
int runStatus(const RunResult& result) {
    if (result.signal != 0)
        return 128 + result.signal;
    return result.complete() ? 0 : kRunFailed;
}

/// An argument that changes nothing must not pass unnoticed: a /W given ninth would
/// otherwise leave the user with 4:3 copies and a run that looks complete.
void reportIgnored(std::vector<std::string> ignored, const std::vector<std::string>& pastLimit) {
    ignored.insert(ignored.end(), pastLimit.begin(), pastLimit.end());
    const std::string warning = ignoredArgumentsWarning(ignored);
    if (warning.empty())
        return;
    std::fprintf(stderr, "%s\n", warning.c_str());
    std::fflush(stderr);
}

/// Where the summary says the files went: the target folder, or the source's in patch mode.
std::string summaryFolder(const Settings& s, const CommandLineFlags& flags) {
    const std::string& path = s.targetDir.empty() ? s.sourceDir : s.targetDir;
    if (s.targetDir.empty() ? flags.sourceIsDir : flags.targetIsDir)
        return path;
    std::string name, folder, ext;
    splitPath(path, name, folder, ext);
    return folder.empty() ? std::string(".") + platform::kSeparator : folder;
}

/// Runs the copy or patch run the validated command line asks for, then says in one line on
/// standard error what it did.
int runCopy(RunContext& ctx, const CommandLineFlags& flags, TerminalUi& ui) {
    TerminalProgress progress(ui);
    CopyRunExtras extras;
    extras.observer = &progress;
    const Settings& s = ctx.settings;
    RunResult result = flags.sourceIsDir
                           ? copyAllFound(ctx, s.sourceDir, s.targetDir, s.setWideScreen, false, extras)
                           : copyFileList(ctx, {s.sourceDir}, s.targetDir, s.setWideScreen, false,
                                          flags.targetIsDir, extras);
    endRun(ctx, result, ui);
    ui.showLine(runSummary(result, summaryFolder(s, flags), s.targetDir.empty()));
    return runStatus(result);
}

int commandLineMode(int argc, char** argv, Settings& settings, DebugLog& log) {
    platform::prepareConsole();
    TerminalUi ui = TerminalUi::forProcess();
    RunControl control;
    CommandLineFlags flags;
    int code = parseCommandLine(argsFromArgv(argc, argv), settings, flags);
    reportIgnored(flags.ignored, argumentsPastLimit(argc, argv));
    if (flags.versionRequested) {
        std::printf("kadrel %s\n", KADREL_VERSION);
        std::fflush(stdout);
        return 0;
    }
    if (code >= 128) {
        showUsage(argv[0]);
        // Bits 128 and 256 share the help request's range; only a real help request may end
        // with status 0, a garbled path must not look like success.
        return exitStatus(flags.helpRequested ? code - 128 : code);
    }
    if (code > 0) {
        if (flags.showErrors)
            showErrorReport(ui, code);
        return exitStatus(code);
    }
    for (const std::string& error : loadCommandLineSettings(settings))
        showError(ui, error);
    // A datetimeformat that is no name of the table is a pattern of the user's own, so one
    // holding "/" or ".." is caught here, before anything is touched.
    const std::string nameProblem =
        nameSettingsProblem(settings, flags.targetIsDir && !settings.targetDir.empty());
    if (!nameProblem.empty()) {
        showError(ui, nameProblem);
        return kRunFailed;
    }
    control.running = true;
    RunContext ctx{settings, control, log};
    ctx.canAsk = ui.canAsk();
    if (settings.debugMode)
        log.openDebugLog(debugLogPath(platform::settingsFolder(platform::programFolder())));
    code = runCopy(ctx, flags, ui);
    ui.endProgress();
    log.closeDebugLog();
    return exitStatus(code);
}

}  // namespace

int runProgram(int argc, char** argv, WindowModeEntry windowMode) {
    // Where the system hands the command line over as one text, its words are split here, so
    // that every argument is UTF-8 and a quoted folder may end in a separator.
    std::vector<std::string> words;
    std::vector<char*> wordPointers;
    if (const std::optional<std::string> text = platform::commandLineText()) {
        words = splitCommandLine(*text);
        for (std::string& word : words)
            wordPointers.push_back(word.data());
        wordPointers.push_back(nullptr);
        argc = static_cast<int>(words.size());
        argv = wordPointers.data();
    }
    Settings settings;
    settings.iniFile = platform::settingsFolder(platform::programFolder()) + "Kadrel.ini";
    settings.debugMode = readDebugMode(settings.iniFile);
    if (argc <= 1)
        return windowMode(argc, argv, settings);
    DebugLog log;
    return commandLineMode(argc, argv, settings, log);
}

}  // namespace kadrel
