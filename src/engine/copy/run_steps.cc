#include "engine/copy/run_steps.h"

#include <algorithm>
#include <cerrno>

#include "engine/copy/companion_choice.h"
#include "engine/copy/date_time_names.h"
#include "engine/copy/file_times.h"
#include "engine/copy/manifest.h"
#include "engine/copy/patch_steps.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

/// How often a name taken at the last moment is composed again before the run gives up.
constexpr int kNameAttempts = 3;

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
    o.cancel = &r.ctx.control.copyCancel;
    o.faults = r.extras.faults;
    o.sliceBytes = r.extras.sliceBytes;
    o.progress = [&r, index](int64_t done, int64_t total) {
        if (r.showProgress)
            r.ctx.showProgress(progressText(r, index), percentDone(r, index, done));
        if (r.extras.observer)
            r.extras.observer->onBytes(done, total);
    };
    return o;
}

/// Lines collected on the second thread go into the log in the run's order.
void writeCollectedLines(const Run& r, const std::string& lines) {
    for (size_t at = 0, end; (end = lines.find("\r\n", at)) != std::string::npos; at = end + 2)
        r.ctx.log.writeDebugLine(lines.substr(at, end - at));
}

bool nameTaken(const Outcome& o) {
    return o.failed() && o.error == EEXIST;
}

/// Copy mode: the new name and the copy under its temporary name.
Outcome stageStep(Run& r, Finishing& f) {
    CompanionChoice choice = companionChoice(r, f.source);
    f.scan = !r.target.empty() && streamFlagApplies(r) && choice.flag;
    f.nameTime = choice.nameTime;
    f.notes = std::move(choice.notes);
    const NameTarget where = nameTarget(r);
    std::string refusal;
    f.name = buildTargetName(f.source, r.ctx.settings, where, f.nameTime, &refusal);
    if (f.name.empty())
        return Outcome::failure(0, f.source, refusal);
    if (r.manifest && !manifestCanHold(std::string(platform::nameOf(f.name))))
        return Outcome::failure(
            0, f.source, "The new name holds a newline or a backslash, which the manifest cannot hold.");
    platform::CopyOptions options = copyOptions(r, f.index, where.overwrite);
    if (r.digest)
        options.digest = &f.read.emplace();
    const int e = platform::stageCopy(f.source, f.name, options, f.staged);
    if (e != 0)
        return Outcome::fromCopyError(e, f.source, f.name);
    r.pendingNames.insert(f.name);
    return Outcome::done();
}

/// After its scan, times and name: a name taken at the last moment is composed again, and the
/// copy is made writable and counted as done once its name holds it as it should. A copy that
/// fails after it took its name stays under it, is never offered for a delete and leaves the
/// run incomplete; the run goes on.
Outcome completeStep(Run& r, Finishing& f) {
    writeCollectedLines(r, f.lines);
    r.pendingNames.erase(f.name);
    const NameTarget where = nameTarget(r);
    for (int attempt = 1; attempt < kNameAttempts && nameTaken(f.outcome); ++attempt) {
        f.name = buildTargetName(f.source, r.ctx.settings, where, f.nameTime);
        f.outcome = f.name.empty()
                        ? Outcome::failure(EINVAL, f.source)
                        : Outcome::fromCopyError(f.staged.commit(f.name, where.overwrite), f.source, f.name);
    }
    if (!f.outcome.ok())
        return f.outcome;
    platform::makeWritable(f.name);
    const platform::CopiedFile& ids = f.staged.ids();
    r.reserved.insert(identityOf(ids.copy));
    if (Outcome late = settleNamedCopy(f, r.extras.faults); !late.ok()) {
        r.result.failedAfterName.push_back(std::move(late));
        return Outcome::done();
    }
    r.processed.push_back({f.source, f.name, ids.source, ids.copy, f.changed, f.read, f.digest});
    ++r.result.done;
    countWideScreen(r, f.scan);
    return Outcome::done();
}

/// Copy mode. With the scan on a second thread, file i is staged while file i - 1 finishes;
/// i - 1 is completed first, so its outcome comes in the run's order and its failure wins.
Outcome copyStep(Run& r, int32_t i) {
    Finishing f;
    f.index = i;
    f.source = r.files[i];
    const Outcome staged = stageStep(r, f);
    if (r.finisher->pending()) {
        Finishing previous = r.finisher->collect();
        if (Outcome o = completeStep(r, previous); !o.ok())
            return o;  // f's staged copy goes with f
    }
    if (!staged.ok())
        return staged;
    if (r.overlap) {
        r.finisher->start(std::move(f));
        return Outcome::done();
    }
    r.finisher->finishHere(f);
    return completeStep(r, f);
}

/// True when name, without regard to case, is a source, a copy made or one still to take its
/// name.
bool namedByRun(Run& r, const std::string& name) {
    for (; r.copiesNamed < r.processed.size(); ++r.copiesNamed)
        r.runNames.insert(r.processed[r.copiesNamed].copy);
    return r.runNames.count(name) > 0 || r.pendingNames.count(name) > 0;
}

}  // namespace

Identity identityOf(const platform::FileId& id) {
    return {id.device, id.inode};
}

bool streamFlagApplies(const Run& r) {
    return isStreamExtension(r.ctx.settings.searchExt) && (r.setWideScreen || r.target.empty());
}

void countWideScreen(Run& r, bool flagged) {
    if (!streamFlagApplies(r) || !r.setWideScreen)
        return;
    ++(flagged ? r.result.markedWide : r.result.leftFourThree);
}

NameTarget nameTarget(Run& r) {
    NameTarget where;
    where.target = r.target;
    where.targetIsDir = r.targetIsDir;
    // In patch mode every other file of the folder is an original recording: never replaced.
    where.overwrite = r.ctx.settings.overwrite && !r.target.empty();
    // By name without regard to case and by identity: either alone lets some spelling of a
    // source or of a copy of this run be replaced.
    where.reserved = [&r](const std::string& name) {
        if (namedByRun(r, name))
            return true;
        const platform::FileId id = platform::fileId(name);
        return id.exists() && r.reserved.count(identityOf(id)) > 0;
    };
    where.nextNumber = &r.nextNumber;
    where.folders = &r.folders;
    return where;
}

Outcome processFile(Run& r, int32_t i) {
    if (r.showProgress)
        r.ctx.showProgress(progressText(r, i), percentDone(r, i, 0));
    if (r.extras.observer)
        r.extras.observer->onFile(i, r.count(), r.files[i]);
    if (r.target.empty()) {
        if (Outcome o = patchFile(r, i); !o.ok())
            return o;
        ++r.result.done;
    } else if (Outcome o = copyStep(r, i); !o.ok()) {
        return o;
    }
    r.bytesBefore += r.sizes[i];
    return Outcome::done();
}

Outcome settlePending(Run& r) {
    if (!r.finisher || !r.finisher->pending())
        return Outcome::done();
    Finishing last = r.finisher->collect();
    return completeStep(r, last);
}

}  // namespace kadrel
