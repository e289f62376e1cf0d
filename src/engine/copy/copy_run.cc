#include "engine/copy/copy_run.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "engine/copy/copy_finisher.h"
#include "engine/copy/file_search.h"
#include "engine/copy/journal_recovery.h"
#include "engine/copy/manifest.h"
#include "engine/copy/run_steps.h"
#include "engine/notice.h"
#include "platform/copy_proof.h"
#include "platform/crash_points.h"
#include "platform/file_system.h"
#include "platform/signals.h"

namespace kadrel {

namespace {

std::string stoppedText(const Run& r) {
    const int32_t left = r.count() - r.result.done;
    return std::to_string(r.result.done) + " of " + std::to_string(r.count()) + " files were done; " +
           std::to_string(left) + (left == 1 ? " was not." : " were not.");
}

/// A failed step names its file and how far the run got; a cancel only says how far.
void reportStop(Run& r, const Outcome& stop) {
    if (stop.cancelled()) {
        r.result.notices.push_back(
            {"The run was stopped.\r\n" + stoppedText(r), "Stopped", MsgIcon::Information});
        return;
    }
    r.result.notices.push_back(
        errorNotice(stop.errorText() + "\r\n" + displayPath(stop.file) + "\r\n" + stoppedText(r)));
}

void measure(Run& r) {
    for (const std::string& f : r.files) {
        const platform::FileId id = platform::fileId(f);
        r.sizes.push_back(std::max<int64_t>(0, id.size));
        r.totalBytes += std::max<int64_t>(0, id.size);
        if (id.exists())
            r.reserved.insert(identityOf(id));
    }
}

/// Temporary copies of runs that were killed stay hidden in the target; remove them.
void removeStaleCopies(const Run& r) {
    if (r.target.empty() || !r.targetIsDir)
        return;
    for (const std::string& name : platform::removeStaleTemporaries(withTrailingSeparator(r.target)))
        r.ctx.debug("removed stale temporary file: " + name);
}

FinishRules finishRules(Run& r) {
    FinishRules rules;
    rules.scan = !r.target.empty() && streamFlagApplies(r);
    rules.logsWideScreenChoice = r.logsWideScreenChoice;
    rules.setWideScreen = r.setWideScreen;
    rules.replace = nameTarget(r).overwrite;
    rules.faults = r.extras.faults;
    r.overlap = rules.scan && r.extras.overlapScans;
    // A delete somebody can say yes to is proven against the digest of the one read, so that
    // the source is never read again.
    r.manifest = !r.target.empty() && r.ctx.settings.manifest;
    r.digest = r.manifest || (!r.target.empty() && r.ctx.settings.deleteFiles && r.ctx.canAsk);
    return rules;
}

/// The folder the copies go to: the target, or a command-line target file's folder.
std::string targetFolder(const Run& r) {
    if (r.targetIsDir)
        return r.target;
    std::string name, folder, ext;
    splitPath(r.target, name, folder, ext);
    return folder.empty() ? "." : folder;
}

/// One flush of the target folder brings the names of the run's copies to the disk; when it
/// fails, no copy of the run is known to keep its name.
void flushNames(Run& r) {
    if (r.target.empty() || (r.processed.empty() && r.result.failedAfterName.empty()))
        return;
    const std::string folder = targetFolder(r);
    int e = r.extras.faults ? r.extras.faults->beforeFlush(folder) : 0;
    if (e == 0)
        e = platform::flushFolder(folder);
    if (e == 0)
        return;
    for (const ProcessedFile& f : r.processed)
        r.result.failedAfterName.push_back(Outcome::failure(
            e, f.copy,
            "the target folder could not be flushed to the disk: " + platform::systemErrorText(e)));
    r.result.done -= static_cast<int32_t>(r.processed.size());
    r.result.markedWide = r.result.leftFourThree = 0;  // every copy done so far was in processed
    r.processed.clear();
}

/// Names, in one message, the copies that have their names but failed after taking them, in the
/// order of their names.
void reportFailedAfterName(Run& r) {
    if (r.result.failedAfterName.empty())
        return;
    std::vector<Outcome> failed = r.result.failedAfterName;
    std::sort(failed.begin(), failed.end(),
              [](const Outcome& a, const Outcome& b) { return a.file < b.file; });
    std::string text = "These copies have their names but could not be finished; their sources are kept:";
    for (const Outcome& o : failed)
        text += "\r\n" + displayPath(o.file) + " (" + o.description() + ")";
    r.result.notices.push_back(errorNotice(text));
}

/// Copies that cannot fit are better not begun: the user may still go on (a file system may
/// compress, a replaced file frees its room), but is asked first. False stops the run with the
/// shortage in its result.
bool roomForCopies(Run& r) {
    if (r.target.empty() || !r.extras.stopWhenShortOfRoom)
        return true;
    int64_t available = 0;
    if (platform::availableBytes(targetFolder(r), available) != 0 || r.totalBytes <= available)
        return true;
    r.result.room = RoomShortage{r.totalBytes, available};
    return false;
}

/// Hands the copies' sources to the front end, which may offer to delete them.
void offerDeleteOfSources(Run& r) {
    if (!r.ctx.settings.deleteFiles || r.target.empty() || r.processed.empty())
        return;
    r.result.deleteOffered = true;
    r.result.deletable = r.processed;
    r.result.deleteFolder = targetFolder(r);
}

/// The finished copies get their lines in the manifest before any source may go.
void writeManifest(Run& r) {
    if (!r.manifest || r.processed.empty())
        return;
    r.result.manifest = updateManifest(withTrailingSeparator(targetFolder(r)), r.processed);
    if (!r.result.manifest.ok())
        r.result.notices.push_back(
            errorNotice("The manifest could not be written; the run is incomplete:\r\n" +
                        displayPath(r.result.manifest.file) + " (" + r.result.manifest.description() + ")"));
}

/// The loop and the end of a run. A stop between files (running cleared) still offers to
/// delete what was done; a failure, a cancelled copy or a signal offers nothing.
void runFiles(Run& r) {
    platform::SignalStop signals(r.ctx.control.copyCancel, r.ctx.control.running);
    removeStaleCopies(r);
    measure(r);
    r.result.found = r.count();
    if (!roomForCopies(r)) {
        r.result.outcome = Outcome::cancelledRun();
        return;
    }
    CopyFinisher finisher(r.ctx, finishRules(r));
    r.finisher = &finisher;
    Outcome stop;
    bool stoppedBetweenFiles = false;
    for (int32_t i = 0; i < r.count() && stop.ok() && !stoppedBetweenFiles; ++i) {
        if (!r.ctx.control.running)
            stoppedBetweenFiles = true;
        else
            stop = processFile(r, i);
    }
    if (Outcome last = settlePending(r); stop.ok())
        stop = last;
    flushNames(r);
    reportFailedAfterName(r);
    writeManifest(r);
    r.result.signal = signals.caught();
    if (r.result.signal != 0 && stop.ok())
        stop = Outcome::cancelledRun();
    if (!stop.ok() || stoppedBetweenFiles) {
        r.result.outcome = stop.ok() ? Outcome::cancelledRun() : stop;
        reportStop(r, r.result.outcome);
        if (!stop.ok())
            return;
    }
    offerDeleteOfSources(r);
}

RunResult failedWith(int number, const std::string& description) {
    RunResult failed;
    failed.notices.push_back(errorNotice(errorText(number, description)));
    failed.outcome = Outcome::failure(number, "", description);
    return failed;
}

/// An error number is put in words as every other failure of the run is, so that one number
/// reads the same wherever it shows (the C++ library's words may differ from the system's).
RunResult failedWith(const std::system_error& e) {
    const std::error_condition condition = e.code().default_error_condition();
    if (condition.category() == std::generic_category())
        return failedWith(condition.value(), platform::systemErrorText(condition.value()));
    return failedWith(e.code().value(), e.code().message());
}

/// Ends a run that an unexpected failure stopped with the failure's notice; nothing escapes.
template <typename Body>
RunResult guarded(Body body) {
    try {
        return body();
    } catch (const std::system_error& e) {
        return failedWith(e);
    } catch (const std::bad_alloc&) {
        return failedWith(ENOMEM, platform::systemErrorText(ENOMEM));
    } catch (const std::exception& e) {
        return failedWith(0, e.what());
    } catch (...) {
        return failedWith(0, "Unknown failure");
    }
}

void appendList(std::string& text, const std::string& heading, const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    text += (text.empty() ? "" : "\r\n\r\n") + heading;
    for (const std::string& p : paths)
        text += "\r\n" + displayPath(p);
}

/// Names, in one notice, what the search passed over; returns how many.
int32_t reportSkipped(Notices& notices, const SearchState& search, const std::vector<std::string>& links) {
    std::string text;
    appendList(text, "These files were skipped because they are not regular files:", search.skipped);
    appendList(text, kUnreadableFoldersHeading, search.unreadable);
    appendList(text,
               "These files were skipped because patch mode never changes a file through a link:", links);
    if (!text.empty())
        notices.push_back({text, "Skipped", MsgIcon::Exclamation});
    return static_cast<int32_t>(search.skipped.size() + search.unreadable.size() + links.size());
}

/// Patch mode renames and edits originals: never through a link, which may lead anywhere.
std::vector<std::string> takeOutLinks(std::vector<std::string>& files, bool patchMode) {
    std::vector<std::string> links;
    if (!patchMode)
        return links;
    std::erase_if(files, [&links](const std::string& f) {
        if (!platform::isSymbolicLink(f))
            return false;
        links.push_back(f);
        return true;
    });
    return links;
}

/// A given list may name anything; what is not a regular file is skipped as a search would.
SearchState sortOutList(std::vector<std::string>& files) {
    SearchState state;
    std::erase_if(files, [&state](const std::string& f) {
        const platform::EntryKind kind = platform::entryKind(f);
        if (kind == platform::EntryKind::Regular || kind == platform::EntryKind::Missing)
            return false;
        state.skipped.push_back(f);
        return true;
    });
    return state;
}

RunResult startRun(const RunContext& ctx, std::vector<std::string> files, const std::string& target,
                   bool setWideScreen, bool showProgress, bool targetIsDir, bool logsWideScreenChoice,
                   const CopyRunExtras& extras, const SearchState& search) {
    const std::vector<std::string> links = takeOutLinks(files, target.empty());
    Run r(ctx, std::move(files), extras);
    const int32_t skipped = reportSkipped(r.result.notices, search, links);
    r.target = target;
    r.setWideScreen = setWideScreen;
    r.showProgress = showProgress;
    r.targetIsDir = targetIsDir;
    r.logsWideScreenChoice = logsWideScreenChoice;
    runFiles(r);
    r.result.skipped += skipped;
    return r.result;
}

/// What the recovery of killed patch-mode runs did comes first in a run's result.
RunResult withRecovery(RunResult result, const JournalRecovery& recovery) {
    result.skipped += recovery.kept;
    result.notices.insert(result.notices.begin(), recovery.notices.begin(), recovery.notices.end());
    return result;
}

/// The program's own test seam: a test may have a run stop the process at a chosen write.
CopyRunExtras withTestStop(const CopyRunExtras& extras, std::unique_ptr<platform::FileFaults>& stop) {
    CopyRunExtras withStop = extras;
    if (!withStop.faults && (stop = platform::writeStopFromEnvironment()))
        withStop.faults = stop.get();
    return withStop;
}

}  // namespace

RunResult copyAllFound(const RunContext& ctx, const std::string& sourceFolder, const std::string& target,
                       bool setWideScreen, bool showProgress, const CopyRunExtras& given) {
    std::unique_ptr<platform::FileFaults> stop;
    const CopyRunExtras extras = withTestStop(given, stop);
    return guarded([&] {
        SearchState search;
        // Copies made into a folder inside the source must never be taken up again as clips.
        if (!target.empty())
            search.excluded = platform::fileId(target);
        search.faults = extras.faults;
        std::vector<std::string> files;
        searchFiles(search, withTrailingSeparator(sourceFolder), ctx.settings.searchExt, files,
                    ctx.control.abortRequested);
        // Originals a killed patch-mode run left half done are put back first, then searched
        // again under the names they have once more.
        const JournalRecovery recovery = recoverPatchedFiles(ctx, search.journals, extras.faults);
        if (recovery.restored > 0)
            searchFiles(search, withTrailingSeparator(sourceFolder), ctx.settings.searchExt, files,
                        ctx.control.abortRequested);
        recovery.apply(files);
        RunResult none;
        none.skipped = recovery.kept;
        none.notices = recovery.notices;
        if (files.empty() && search.skipped.empty() && search.unreadable.empty()) {
            none.notices.push_back(errorNotice(noFilesText(ctx.settings.searchExt)));
            return none;  // done, with nothing to do
        }
        RunResult result =
            startRun(ctx, std::move(files), target, setWideScreen, showProgress, true, false, extras, search);
        return withRecovery(std::move(result), recovery);
    });
}

RunResult copyFileList(const RunContext& ctx, std::vector<std::string> list, const std::string& target,
                       bool setWideScreen, bool showProgress, bool targetIsDir, const CopyRunExtras& given) {
    std::unique_ptr<platform::FileFaults> stop;
    const CopyRunExtras extras = withTestStop(given, stop);
    return guarded([&] {
        const JournalRecovery recovery = recoverPatchedFiles(ctx, journalsBeside(list), extras.faults);
        recovery.apply(list);
        const SearchState sorted = sortOutList(list);
        RunResult result = startRun(ctx, std::move(list), target, setWideScreen, showProgress, targetIsDir,
                                    true, extras, sorted);
        return withRecovery(std::move(result), recovery);
    });
}

}  // namespace kadrel
