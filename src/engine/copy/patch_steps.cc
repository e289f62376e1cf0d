#include "engine/copy/patch_steps.h"

#include <algorithm>
#include <cerrno>

#include "engine/copy/companion_choice.h"
#include "engine/copy/companion_files.h"
#include "engine/copy/date_time_names.h"
#include "engine/copy/file_search.h"
#include "engine/copy/file_times.h"
#include "engine/copy/moi_companion.h"
#include "engine/copy/patch_journal.h"
#include "engine/notice.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/copy_proof.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

/// How often a name taken at the last moment is composed again before the run gives up.
constexpr int kNameAttempts = 3;

/// One file on its way through the steps of patch mode.
struct FileStep {
    std::string source;
    std::string newName;
    FileTimes saved;
    bool wasReadOnly = false;
    CompanionChoice choice;
    std::vector<std::string> companions;                       ///< the .MOI files that follow it
    std::vector<std::pair<std::string, std::string>> renames;  ///< each companion and its new name
    std::vector<StreamEdit> edits;                             ///< planned before the first write
    JournalKeeper journal;
};

/// With use_moi a clip's companion may keep /W from marking a 4:3 recording. Read before
/// anything is renamed: the companion is found by the clip's own name.
CompanionChoice companionChoice(const Run& r, const std::string& source) {
    if (!r.ctx.settings.useMoi)
        return {};
    return chooseByCompanion(source, false, streamFlagApplies(r), r.setWideScreen);
}

/// The companions that follow a renamed clip: one shared with a clip whose name differs only
/// in case stays where it is, for the clip that keeps it.
std::vector<std::string> followingCompanions(const std::string& clip) {
    std::vector<std::string> following;
    for (const std::string& companion : companionsOf(clip))
        if (!pairedWithAnotherFile(companion, clip))
            following.push_back(companion);
    return following;
}

/// Patch-mode names: a name is taken too when a companion could not follow the clip under it,
/// so clip and companions move on to the next running number together.
NameTarget patchNameTarget(Run& r, const std::vector<std::string>& companions) {
    NameTarget where = nameTarget(r);
    where.reserved = [taken = where.reserved, &companions](const std::string& name) {
        if (taken && taken(name))
            return true;
        return std::any_of(companions.begin(), companions.end(), [&name](const std::string& companion) {
            const std::string follower = companionNameFor(companion, name);
            return platform::entryExists(follower) &&
                   !platform::fileId(follower).sameFile(platform::fileId(companion));
        });
    };
    return where;
}

/// The companions take the clip's new base name. One that cannot is named, and the clip,
/// renamed and patched, still counts as done.
void renameCompanions(Run& r, const FileStep& step) {
    platform::CopyOptions options;
    options.faults = r.extras.faults;
    for (const auto& [from, to] : step.renames) {
        if (from == to)
            continue;
        const Outcome moved = Outcome::fromError(platform::moveFile(from, to, options), from);
        r.ctx.debug((moved.ok() ? "companion renamed: " : "companion not renamed: ") + from);
        if (!moved.ok())
            r.result.notices.push_back({"This .MOI companion could not be renamed with its clip " +
                                            displayPath(step.newName) + ":\r\n" + displayPath(from) + " (" +
                                            moved.description() + ")",
                                        "Warning", MsgIcon::Exclamation});
    }
}

/// The new name, and the names the companions take with it.
Outcome nameStep(Run& r, FileStep& step, const NameTarget& where) {
    std::string refusal;
    step.newName = buildTargetName(step.source, r.ctx.settings, where, step.choice.nameTime, &refusal);
    if (step.newName.empty())
        return Outcome::failure(0, step.source, refusal);
    step.renames.clear();
    if (step.newName != step.source)
        for (const std::string& companion : step.companions)
            step.renames.emplace_back(companion, companionNameFor(companion, step.newName));
    return Outcome::done();
}

ScanOptions patchScanOptions(const Run& r) {
    return ScanOptions{true, r.extras.faults, true};  // no links; flushed before the journal goes
}

/// Patch mode, before the stream is read: the times, the attribute and the new name. An
/// original whose times cannot be read is left as it is: renamed, it could not get them back.
Outcome prepareStep(Run& r, FileStep& step, const NameTarget& where) {
    step.choice = companionChoice(r, step.source);
    if (Outcome saved = saveFileTimes(step.source, step.saved); !saved.ok())
        return saved;
    step.wasReadOnly = (platform::getAttributes(step.source) & platform::kAttrReadOnly) != 0;
    if (Outcome named = nameStep(r, step, where); !named.ok())
        return named;
    logFileLines(r.ctx, step.source, step.newName, r.logsWideScreenChoice, r.setWideScreen);
    for (const std::string& note : step.choice.notes)
        r.ctx.debug(note);
    return Outcome::done();
}

/// Reading only: every edit the stream gets.
Outcome planStep(Run& r, FileStep& step) {
    if (!streamFlagApplies(r) || !step.choice.flag)
        return Outcome::done();
    const FlagChange change = r.setWideScreen ? FlagChange::Set : FlagChange::Reset;
    ScanPlan plan = planWideScreenEdits(step.source, change, r.ctx, patchScanOptions(r));
    step.edits = std::move(plan.edits);
    return plan.outcome;
}

std::string nameInFolder(const std::string& path) {
    return std::string(platform::nameOf(path));
}

PatchJournal journalOf(const FileStep& step) {
    PatchJournal j;
    j.original = nameInFolder(step.source);
    j.renamed = nameInFolder(step.newName);
    j.times = step.saved;
    j.readOnly = step.wasReadOnly;
    j.size = platform::fileId(step.source).size;
    for (const auto& [from, to] : step.renames)
        j.companions.emplace_back(nameInFolder(from), nameInFolder(to));
    for (const StreamEdit& e : step.edits)
        j.edits.push_back({e.offset, e.before});
    return j;
}

/// The original renamed in its folder unless its name stays. A name taken since it was chosen
/// is chosen again, and the journal written again before the next try.
Outcome renameStep(Run& r, FileStep& step, const NameTarget& where) {
    platform::CopyOptions options;
    options.cancel = &r.ctx.control.copyCancel;
    options.faults = r.extras.faults;
    for (int attempt = 1; step.newName != step.source; ++attempt) {
        const int e = platform::moveFile(step.source, step.newName, options);
        if (e == 0)
            r.runNames.insert(step.newName);  // no later original may take it in another case
        if (e != EEXIST || attempt == kNameAttempts)
            return Outcome::fromError(e, step.source);
        if (Outcome o = nameStep(r, step, where); !o.ok())
            return o;
        if (Outcome o = step.journal.write(step.source, journalOf(step), r.extras.faults); !o.ok())
            return o;
    }
    return Outcome::done();
}

/// Asks the fault seam before a write of patch mode's own to the renamed original.
Outcome beforeOwnWrite(const Run& r, const FileStep& step) {
    return Outcome::fromError(r.extras.faults ? r.extras.faults->beforeJournalWrite(step.newName) : 0,
                              step.newName);
}

/// The planned edits, the saved times and the read-only attribute; all of it on the disk
/// before the journal may go.
Outcome patchInPlace(Run& r, FileStep& step) {
    Outcome o;
    if (step.wasReadOnly && (o = beforeOwnWrite(r, step)).ok())
        platform::makeWritable(step.newName);
    if (o.ok() && !step.edits.empty())
        o = applyStreamEdits(step.newName, step.edits, patchScanOptions(r)).outcome;
    if (o.ok() && (o = beforeOwnWrite(r, step)).ok())
        o = restoreFileTimes(step.newName, step.saved);
    if (o.ok() && step.wasReadOnly && (o = beforeOwnWrite(r, step)).ok())
        platform::makeReadOnly(step.newName);
    if (o.ok())
        o = Outcome::fromError(platform::flushFile(step.newName), step.newName);
    std::string name, folder, ext;
    splitPath(step.newName, name, folder, ext);
    if (o.ok())
        o = Outcome::fromError(platform::flushFolder(folder.empty() ? "." : folder), folder);
    return o;
}

/// Nothing of the original changed but its last access time, which reading moved: it gets its
/// times back and the journal goes.
Outcome abandonStep(Run& r, FileStep& step, const Outcome& failed) {
    restoreFileTimes(step.source, step.saved);
    step.journal.finish(r.extras.faults);
    return failed;
}

/// Patch mode, writing: the journal with the bytes the edits replace, then the rename, the
/// companions, the edits and the times. From the first change of the original on, a failure
/// stops every write to it and keeps its journal, so the next run puts the original back.
Outcome writeStep(Run& r, FileStep& step, const NameTarget& where) {
    if (!step.edits.empty())
        if (Outcome o = step.journal.write(step.source, journalOf(step), r.extras.faults); !o.ok())
            return abandonStep(r, step, o);
    if (Outcome o = renameStep(r, step, where); !o.ok())
        return abandonStep(r, step, o);
    renameCompanions(r, step);
    if (Outcome o = patchInPlace(r, step); !o.ok()) {
        r.ctx.debug("journal kept for the next run: " + journalPathFor(step.source));
        return o;
    }
    return step.journal.finish(r.extras.faults);
}

}  // namespace

Outcome patchFile(Run& r, int32_t i) {
    FileStep step;
    step.source = r.files[i];
    step.companions = followingCompanions(step.source);
    const NameTarget where = patchNameTarget(r, step.companions);
    if (Outcome o = prepareStep(r, step, where); !o.ok())
        return o;
    // The journal comes before the stream is read: reading moves the original's last access
    // time, and a run killed from here on must still give it back.
    if (Outcome o = step.journal.write(step.source, journalOf(step), r.extras.faults); !o.ok())
        return abandonStep(r, step, o);  // a journal in place but not flushed goes again
    if (Outcome o = planStep(r, step); !o.ok())
        return abandonStep(r, step, o);
    const Outcome written = writeStep(r, step, where);
    if (written.ok())
        countWideScreen(r, step.choice.flag);
    return written;
}

}  // namespace kadrel
