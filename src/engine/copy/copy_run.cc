#include "engine/copy/copy_run.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <new>
#include <set>
#include <system_error>
#include <utility>

#include "engine/copy/companion_choice.h"
#include "engine/copy/copy_finisher.h"
#include "engine/copy/date_time_names.h"
#include "engine/copy/file_search.h"
#include "engine/copy/file_times.h"
#include "engine/copy/proven_delete.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/file_system.h"
#include "platform/signals.h"

namespace kadrel {

namespace {

/// How often a name taken at the last moment is composed again before the run gives up.
constexpr int kNameAttempts = 3;

using Identity = std::pair<uint64_t, uint64_t>;

Identity identityOf(const platform::FileId& id) {
    return {id.device, id.inode};
}

/// A failure of one file: its error number and the file it concerns.
struct FileError {
    int code = 0;
    std::string file;
    std::string text;  ///< in place of the system's text, when the failure is the run's own
};

/// One run: its files, where they go and what it has done so far.
struct Run {
    Run(const RunContext& c, std::vector<std::string> f, const CopyRunExtras& e)
        : ctx(c), files(std::move(f)), extras(e) {}

    const RunContext& ctx;
    std::vector<std::string> files;
    const CopyRunExtras& extras;
    std::string target;
    bool setWideScreen = false;
    bool showProgress = false;
    bool targetIsDir = true;
    bool listRun = false;
    std::vector<ProcessedFile> processed;
    std::set<Identity> reserved;         ///< the sources and every copy made, by identity
    std::set<std::string> pendingNames;  ///< names given to copies that have not taken them yet
    CopyFinisher* finisher = nullptr;
    bool overlap = false;  ///< scans run on the second thread
    std::map<std::string, long> nextNumber;
    std::vector<int64_t> sizes;
    int64_t totalBytes = 0;
    int64_t bytesBefore = 0;  ///< bytes of the files before the current one
    RunResult result;

    int32_t count() const { return static_cast<int32_t>(files.size()); }
};

/// One file on its way through the steps.
struct FileStep {
    int32_t index = 0;
    std::string source;
    std::string newName;
    filetimes saved;
    platform::CopiedFile ids;
    std::vector<int64_t> changed;
    CompanionChoice choice;
};

std::string errorText(int number, const std::string& description) {
    return "Error " + std::to_string(number) + "\r\n" + description;
}

/// Failures from the system carry its error number; a few are the run's own.
int errorOr(int fallback) {
    const int e = platform::lastError();
    return e != 0 ? e : fallback;
}

bool isStreamExtension(const std::string& ext) {
    return equalsNoCase(ext, "MPG") || equalsNoCase(ext, "MOD");
}

bool streamFlagApplies(const Run& r) {
    return isStreamExtension(r.ctx.settings.searchExt) && (r.setWideScreen || r.target.empty());
}

/// Only copies into a folder get a date name; patch mode and a target file keep their names.
bool namesByTime(const Run& r) {
    return !r.target.empty() && r.targetIsDir && !r.ctx.settings.dateFormat.empty();
}

/// With use_moi a clip's companion may name it and keep /W from marking a 4:3 recording. Read
/// before anything is renamed: the companion is found by the clip's own name.
CompanionChoice companionChoice(const Run& r, const std::string& source) {
    if (!r.ctx.settings.useMoi)
        return {};
    return chooseByCompanion(source, namesByTime(r), streamFlagApplies(r), r.setWideScreen);
}

NameTarget nameTarget(Run& r) {
    NameTarget where;
    where.target = r.target;
    where.targetIsDir = r.targetIsDir;
    // A list run in patch mode never replaces a taken name.
    where.overwrite = r.ctx.settings.overwrite && !(r.listRun && r.target.empty());
    where.reserved = [&r](const std::string& name) {
        if (r.pendingNames.count(name) > 0)
            return true;
        const platform::FileId id = platform::fileId(name);
        return id.exists() && r.reserved.count(identityOf(id)) > 0;
    };
    where.nextNumber = &r.nextNumber;
    return where;
}

int percentDone(const Run& r, int32_t index, int64_t bytesOfFile) {
    if (r.totalBytes <= 0)
        return static_cast<int>((int64_t{index} + 1) * 100 / r.count());
    return static_cast<int>(std::min<int64_t>(100, (r.bytesBefore + bytesOfFile) * 100 / r.totalBytes));
}

std::string progressText(const Run& r, int32_t index) {
    return "processing File " + std::to_string(index + 1) + " of " + std::to_string(r.count());
}

platform::CopyOptions copyOptions(Run& r, int32_t index, bool replace) {
    platform::CopyOptions o;
    o.replaceExisting = replace;
    o.cancel = &r.ctx.control.copycancel;
    o.faults = r.extras.faults;
    o.sliceBytes = r.extras.sliceBytes;
    o.progress = [&r, index](int64_t done, int64_t total) {
        CopyProgress(r.ctx.ui);
        if (r.showProgress)
            r.ctx.ui.showProgress(progressText(r, index), percentDone(r, index, done));
        if (r.extras.observer)
            r.extras.observer->onBytes(done, total);
    };
    return o;
}

void writeDebugLines(const Run& r, const FileStep& step) {
    r.ctx.debug("source file:" + step.source);
    r.ctx.debug("target file:" + step.newName);
    if (r.listRun)
        r.ctx.debug(std::string("setws=") + (r.setWideScreen ? "True" : "False"));
}

/// Lines collected on the second thread go into the log in the run's order.
void writeCollectedLines(const Run& r, const std::string& lines) {
    for (size_t at = 0, end; (end = lines.find("\r\n", at)) != std::string::npos; at = end + 2)
        r.ctx.log.writeDebugLine(lines.substr(at, end - at));
}

/// Copy mode: the new name and the copy under its temporary name.
FileError stageStep(Run& r, Finishing& f) {
    CompanionChoice choice = companionChoice(r, f.source);
    f.scan = !r.target.empty() && streamFlagApplies(r) && choice.flag;
    f.nameTime = choice.nameTime;
    f.notes = std::move(choice.notes);
    const NameTarget where = nameTarget(r);
    f.name = buildTargetName(f.source, r.ctx.settings, where, f.nameTime);
    if (f.name.empty())
        return {EINVAL, f.source, "The new name would leave the target folder."};
    r.ctx.ui.processEvents();
    if (const int e =
            platform::stageCopy(f.source, f.name, copyOptions(r, f.index, where.overwrite), f.staged))
        return {e, f.source, ""};
    r.pendingNames.insert(f.name);
    return {};
}

/// After its scan, times and name: a name taken at the last moment is composed again, and the
/// copy is made writable and counted as done.
FileError completeStep(Run& r, Finishing& f) {
    writeCollectedLines(r, f.lines);
    r.pendingNames.erase(f.name);
    const NameTarget where = nameTarget(r);
    for (int attempt = 1; attempt < kNameAttempts && f.error == EEXIST; ++attempt) {
        f.name = buildTargetName(f.source, r.ctx.settings, where, f.nameTime);
        f.error = f.name.empty() ? EINVAL : f.staged.commit(f.name, where.overwrite);
    }
    if (f.error != 0)
        return {f.error, f.source, ""};
    platform::makeWritable(f.name);
    const platform::CopiedFile& ids = f.staged.ids();
    r.reserved.insert(identityOf(ids.copy));
    r.processed.push_back({f.source, f.name, ids.source, ids.copy, f.changed});
    ++r.result.done;
    return {};
}

/// Copy mode. With the scan on a second thread, file i is staged while file i - 1 finishes;
/// i - 1 is completed first, so its outcome comes in the run's order and its error wins.
FileError copyStep(Run& r, int32_t i) {
    Finishing f;
    f.index = i;
    f.source = r.files[i];
    const FileError staged = stageStep(r, f);
    if (r.finisher->pending()) {
        Finishing previous = r.finisher->collect();
        if (FileError e = completeStep(r, previous); e.code != 0)
            return e;  // f's staged copy goes with f
    }
    if (staged.code != 0)
        return staged;
    if (r.overlap) {
        r.finisher->start(std::move(f));
        return {};
    }
    r.finisher->finishHere(f);
    return completeStep(r, f);
}

/// Completes the file still finishing on the second thread when the loop has ended.
FileError settlePending(Run& r) {
    if (!r.finisher || !r.finisher->pending())
        return {};
    Finishing last = r.finisher->collect();
    return completeStep(r, last);
}

/// Patch mode: times saved, then the original renamed in its folder unless its name stays.
FileError renameStep(Run& r, FileStep& step) {
    step.choice = companionChoice(r, step.source);
    step.saved = saveFileTimes(step.source);
    const NameTarget where = nameTarget(r);
    const platform::CopyOptions options = copyOptions(r, step.index, where.overwrite);
    int e = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && e == EEXIST; ++attempt) {
        step.newName = buildTargetName(step.source, r.ctx.settings, where, step.choice.nameTime);
        if (step.newName.empty())
            return {EINVAL, step.source, "The new name would leave its folder."};
        if (step.newName == step.source)
            return {};
        e = platform::moveFile(step.source, step.newName, options);
    }
    return {e, step.source, ""};
}

/// Patch mode after the rename: the stream set or reset in place, then the saved times and
/// the read-only attribute given back whatever the scan did, so no original is left renamed
/// without its recording time.
FileError patchStep(Run& r, FileStep& step) {
    writeDebugLines(r, step);
    for (const std::string& note : step.choice.notes)
        r.ctx.debug(note);
    const bool wasReadOnly = (platform::getAttributes(step.newName) & platform::kAttrReadOnly) != 0;
    ScanOutcome scan;
    if (streamFlagApplies(r) && step.choice.flag) {
        platform::makeWritable(step.newName);
        const ScanOptions options{true, r.extras.faults};
        scan = r.setWideScreen ? setWideScreenFlag(step.newName, false, r.ctx, options)
                               : resetWideScreenFlag(step.newName, r.ctx, options);
    }
    const bool timesBack = restoreFileTimes(step.newName, step.saved);
    if (wasReadOnly)
        platform::makeReadOnly(step.newName);
    if (scan.error != 0)
        return {scan.error, step.newName, ""};
    if (!timesBack)
        return {errorOr(EIO), step.newName, ""};
    return {};
}

FileError processFile(Run& r, int32_t i) {
    if (r.showProgress)
        r.ctx.ui.showProgress(progressText(r, i), percentDone(r, i, 0));
    if (r.extras.observer)
        r.extras.observer->onFile(i, r.count(), r.files[i]);
    FileStep step;
    step.index = i;
    step.source = r.files[i];
    if (r.target.empty()) {
        if (FileError e = renameStep(r, step); e.code != 0)
            return e;
        if (FileError e = patchStep(r, step); e.code != 0)
            return e;
        ++r.result.done;
    } else if (FileError e = copyStep(r, i); e.code != 0) {
        return e;
    }
    r.bytesBefore += r.sizes[i];
    return {};
}

std::string stoppedText(const Run& r) {
    const int32_t left = r.count() - r.result.done;
    return std::to_string(r.result.done) + " of " + std::to_string(r.count()) + " files were done; " +
           std::to_string(left) + (left == 1 ? " was not." : " were not.");
}

/// A failed step names its file and how far the run got; a cancel only says how far.
void reportStop(const Run& r, const FileError& e) {
    if (e.code == platform::kCopyCancelled) {
        r.ctx.ui.showMessage("The run was stopped.\r\n" + stoppedText(r), "Stopped", MsgIcon::Information,
                             MsgButtons::Ok, MsgResult::Ok);
        return;
    }
    const std::string what = e.text.empty() ? platform::systemErrorText(e.code) : e.text;
    showError(r.ctx.ui, errorText(e.code, what) + "\r\n" + displayPath(e.file) + "\r\n" + stoppedText(r));
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
    for (const std::string& name : platform::removeStaleTemporaries(addBackslash(r.target)))
        r.ctx.debug("removed stale temporary file: " + name);
}

FinishRules finishRules(Run& r) {
    FinishRules rules;
    rules.scan = !r.target.empty() && streamFlagApplies(r);
    rules.listRun = r.listRun;
    rules.setWideScreen = r.setWideScreen;
    rules.replace = nameTarget(r).overwrite;
    rules.faults = r.extras.faults;
    r.overlap = rules.scan && r.extras.overlapScans;
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

/// The loop and the end of a run. A stop between files (running cleared) still offers to
/// delete what was done; a failure, a cancelled copy or a signal offers nothing.
void runFiles(Run& r) {
    platform::SignalStop signals(r.ctx.control.copycancel, r.ctx.control.running);
    r.result.count = r.count();
    removeStaleCopies(r);
    measure(r);
    CopyFinisher finisher(r.ctx, finishRules(r));
    r.finisher = &finisher;
    FileError stop;
    bool stoppedBetweenFiles = false;
    for (int32_t i = 0; i < r.count() && stop.code == 0 && !stoppedBetweenFiles; ++i) {
        if (!r.ctx.control.running)
            stoppedBetweenFiles = true;
        else
            stop = processFile(r, i);
    }
    if (FileError last = settlePending(r); stop.code == 0)
        stop = last;
    r.result.signal = signals.caught();
    if (r.result.signal != 0 && stop.code == 0)
        stop.code = platform::kCopyCancelled;
    if (stop.code != 0 || stoppedBetweenFiles) {
        r.result.status = stop.code == 0 || stop.code == platform::kCopyCancelled ? RunStatus::Cancelled
                                                                                  : RunStatus::Failed;
        reportStop(r, stop.code == 0 ? FileError{platform::kCopyCancelled, "", ""} : stop);
        if (stop.code != 0)
            return;
    }
    if (r.ctx.settings.deleteFiles && !r.target.empty())
        r.result.keptByDelete = offerDelete(r.ctx, r.processed, targetFolder(r));
    r.result.signal = signals.caught();  // one at the delete question answered it Cancel
}

/// Ends a run that an unexpected failure stopped with the failure's box; nothing escapes.
template <typename Body>
RunResult guarded(const RunContext& ctx, Body body) {
    RunResult failed;
    failed.status = RunStatus::Failed;
    try {
        return body();
    } catch (const std::system_error& e) {
        showError(ctx.ui, errorText(e.code().value(), e.code().message()));
    } catch (const std::bad_alloc&) {
        showError(ctx.ui, errorText(ENOMEM, platform::systemErrorText(ENOMEM)));
    } catch (const std::exception& e) {
        showError(ctx.ui, errorText(0, e.what()));
    } catch (...) {
        showError(ctx.ui, errorText(0, "Unknown failure"));
    }
    return failed;
}

void appendList(std::string& text, const std::string& heading, const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    text += (text.empty() ? "" : "\r\n\r\n") + heading;
    for (const std::string& p : paths)
        text += "\r\n" + displayPath(p);
}

/// Names, in one message, what the search passed over; returns how many.
int32_t reportSkipped(const RunContext& ctx, const SearchState& search,
                      const std::vector<std::string>& links) {
    std::string text;
    appendList(text, "These files were skipped because they are not regular files:", search.skipped);
    appendList(text, "These folders were skipped because they could not be read:", search.unreadable);
    appendList(text,
               "These files were skipped because patch mode never changes a file through a link:", links);
    if (!text.empty())
        ctx.ui.showMessage(text, "Skipped", MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
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
                   bool setWideScreen, bool showProgress, bool targetIsDir, bool listRun,
                   const CopyRunExtras& extras, const SearchState& search) {
    const std::vector<std::string> links = takeOutLinks(files, target.empty());
    const int32_t skipped = reportSkipped(ctx, search, links);
    Run r(ctx, std::move(files), extras);
    r.target = target;
    r.setWideScreen = setWideScreen;
    r.showProgress = showProgress;
    r.targetIsDir = targetIsDir;
    r.listRun = listRun;
    runFiles(r);
    r.result.skipped += skipped;
    return r.result;
}

}  // namespace

int CopyProgress(UiSeam& ui) {
    ui.processEvents();
    return 0;
}

RunResult copyAllFound(const RunContext& ctx, const std::string& sourceFolder, const std::string& target,
                       bool setWideScreen, bool showProgress, const CopyRunExtras& extras) {
    return guarded(ctx, [&] {
        SearchState search;
        // Copies made into a folder inside the source must never be taken up again as clips.
        if (!target.empty())
            search.excluded = platform::fileId(target);
        std::vector<std::string> files;
        searchFiles(search, addBackslash(sourceFolder), ctx.settings.searchExt, files,
                    ctx.control.abortrequested, ctx.ui);
        if (files.empty() && search.skipped.empty() && search.unreadable.empty()) {
            showError(ctx.ui, "No files with extension *." + ctx.settings.searchExt +
                                  " were found in the specified source directory and all its subfolders!");
            RunResult nothing;
            nothing.status = RunStatus::NothingFound;
            return nothing;
        }
        return startRun(ctx, std::move(files), target, setWideScreen, showProgress, true, false, extras,
                        search);
    });
}

RunResult copyFileList(const RunContext& ctx, int32_t count, const std::vector<std::string>& files,
                       const std::string& target, bool setWideScreen, bool showProgress, bool targetIsDir,
                       const CopyRunExtras& extras) {
    return guarded(ctx, [&] {
        std::vector<std::string> list(files.begin(),
                                      files.begin() + std::clamp<int64_t>(count, 0, files.size()));
        const SearchState sorted = sortOutList(list);
        return startRun(ctx, std::move(list), target, setWideScreen, showProgress, targetIsDir, true, extras,
                        sorted);
    });
}

}  // namespace kadrel
