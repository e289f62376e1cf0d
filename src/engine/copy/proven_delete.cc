#include "engine/copy/proven_delete.h"

#include <cerrno>

#include "engine/copy/companion_files.h"
#include "engine/copy/file_search.h"
#include "platform/copy_proof.h"
#include "platform/file_system.h"
#include "platform/signals.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

/// The folder the sources came from: the longest folder that holds them all.
std::string commonFolder(const std::vector<ProcessedFile>& files) {
    std::string common;
    for (const ProcessedFile& f : files) {
        std::string name, folder, ext;
        splitPath(f.source, name, folder, ext);
        if (&f == &files.front())
            common = folder;
        while (folder.compare(0, common.size(), common) != 0) {
            common.pop_back();
            common.erase(platform::lastSeparator(common) + 1);
        }
    }
    return common;
}

std::string proofText(platform::CopyProof proof) {
    switch (proof) {
        case platform::CopyProof::Proven:
            return "";
        case platform::CopyProof::SourceChanged:
            return "the source changed since it was copied";
        case platform::CopyProof::CopyChanged:
            return "the copy was replaced or changed";
        case platform::CopyProof::Differs:
            return "the copy differs from the source";
        case platform::CopyProof::Unreadable:
            return "the copy could not be read back";
    }
    return "";
}

/// Deletes one proven source; its companions go only once the clip itself is gone.
Outcome deleteOne(const ProcessedFile& f) {
    const platform::CopyProof proof =
        f.read ? platform::proveCopyByDigest(f.source, f.sourceId, f.copy, f.copyId, *f.read, f.changed)
               : platform::proveCopy(f.source, f.sourceId, f.copy, f.copyId, f.changed.offsets);
    if (proof != platform::CopyProof::Proven)
        return Outcome::failure(0, f.source, proofText(proof));
    platform::makeWritable(f.source);
    if (!platform::removeFile(f.source))
        return Outcome::failure(errno, f.source);
    // A companion shared by clips whose names differ only in case stays while one of them does.
    for (const std::string& companion : companionsOf(f.source))
        if (!pairedWithAnotherFile(companion, ""))
            platform::removeFile(companion);
    return Outcome::done();
}

/// Why a source may not go before its proof is even tried, or done when nothing stands in the way.
Outcome beforeProof(const RunContext& ctx, const ProcessedFile& f, const Outcome& flushed) {
    if (!flushed.ok())
        return Outcome::failure(
            flushed.error, f.source,
            "the copies' folder could not be written to the disk: " + flushed.description());
    if (ctx.control.copyCancel != 0)
        return Outcome::failure(0, f.source, "the run was stopped");
    return Outcome::done();
}

}  // namespace

std::string deleteQuestion(const std::vector<ProcessedFile>& files) {
    return "Delete the " + std::to_string(files.size()) + " processed files from source directory?\r\n" +
           displayPath(commonFolder(files)) + "\r\nTheir .MOI companion files are deleted with them.";
}

void deleteOfferedSources(const RunContext& ctx, RunResult& result) {
    platform::SignalStop signals(ctx.control.copyCancel, ctx.control.running);
    DeleteOutcome asked = deleteSources(ctx, result.deletable, result.deleteFolder);
    result.keptByDelete = asked.kept;
    result.deleted = static_cast<int32_t>(result.deletable.size()) - asked.kept;
    result.notices.insert(result.notices.end(), asked.notices.begin(), asked.notices.end());
    result.deletable.clear();
    if (const int signal = signals.caught())
        result.signal = signal;
}

DeleteOutcome deleteSources(const RunContext& ctx, const std::vector<ProcessedFile>& files,
                            const std::string& targetFolder) {
    // The copies' names must be on the disk before any source goes.
    const Outcome flushed = Outcome::fromError(platform::flushFolder(targetFolder), targetFolder);
    DeleteOutcome result;
    std::string kept;
    for (const ProcessedFile& f : files) {
        Outcome one = beforeProof(ctx, f, flushed);
        if (one.ok())
            one = deleteOne(f);
        if (one.ok())
            continue;
        kept += "\r\n" + displayPath(f.source) + " (" + one.description() + ")";
        if (result.kept++ == 0)
            result.outcome = one;
    }
    if (result.kept > 0)
        result.notices.push_back(
            errorNotice("These files were not deleted, for the reason after each:" + kept));
    return result;
}

}  // namespace kadrel
