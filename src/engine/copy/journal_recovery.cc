#include "engine/copy/journal_recovery.h"

#include <algorithm>

#include "engine/copy/file_search.h"
#include "engine/copy/patch_journal.h"
#include "engine/notice.h"
#include "platform/file_system.h"

namespace kadrel {

namespace {

void tell(Notices& notices, const std::string& text, const std::string& title, MsgIcon icon) {
    if (!text.empty())
        notices.push_back({text, title, icon});
}

}  // namespace

void JournalRecovery::apply(std::vector<std::string>& files) const {
    for (std::string& f : files)
        for (const auto& [from, to] : moves)
            if (f == from)
                f = to;
    std::erase_if(files, [this](const std::string& f) { return leaveAlone.count(f) > 0; });
}

JournalRecovery recoverPatchedFiles(const RunContext& ctx, const std::vector<std::string>& journals,
                                    platform::FileFaults* faults) {
    JournalRecovery result;
    std::string restored, kept;
    for (const std::string& journal : journals) {
        const RestoredFile r = restoreFromJournal(journal, faults);
        if (r.outcome.ok() && r.unfinished) {
            ctx.debug("removed unfinished journal: " + journal);
        } else if (r.outcome.ok()) {
            ++result.restored;
            result.moves.emplace_back(r.renamed, r.original);
            restored += "\r\n" + displayPath(r.original);
            ctx.debug("put back from its journal: " + r.original);
        } else {
            ++result.kept;
            for (const std::string& path : {r.original, r.renamed})
                if (!path.empty())
                    result.leaveAlone.insert(path);
            if (const std::optional<std::string> named = originalNamedBy(journal))
                result.leaveAlone.insert(*named);
            kept += "\r\n" + displayPath(journal) + " (" + r.outcome.description() + ")";
            ctx.debug("journal kept: " + journal + " (" + r.outcome.description() + ")");
        }
    }
    if (!restored.empty())
        restored =
            "A patch-mode run was stopped before it finished these files; they were put back as "
            "they were:" +
            restored;
    tell(result.notices, restored, "Restored", MsgIcon::Information);
    if (!kept.empty())
        kept =
            "These patch-mode journals were kept: the files they describe could not be put back as "
            "they were and were left alone:" +
            kept;
    tell(result.notices, kept, "ERROR", MsgIcon::Critical);
    return result;
}

std::vector<std::string> journalsBeside(const std::vector<std::string>& files) {
    std::set<std::string> folders;
    for (const std::string& f : files) {
        std::string name, folder, ext;
        splitPath(f, name, folder, ext);
        folders.insert(folder);
    }
    std::vector<std::string> journals;
    for (const std::string& folder : folders)
        platform::listDirectory(folder.empty() ? "./" : folder, [&](const platform::DirEntry& entry) {
            if (entry.kind == platform::EntryKind::Regular && !entry.isLink && isJournalName(entry.name))
                journals.push_back(folder + entry.name);
            return true;
        });
    return journals;
}

}  // namespace kadrel
