#include "engine/copy/companion_files.h"

#include "engine/copy/file_search.h"
#include "platform/file_system.h"
#include "platform/text_case.h"

namespace kadrel {

std::vector<std::string> companionsOf(const std::string& source) {
    std::string name, folder, ext;
    splitPath(source, name, folder, ext);
    std::vector<std::string> found;
    if (platform::equalsNoCase(ext, "MOI"))
        return found;  // a companion has none of its own
    platform::listDirectory(folder.empty() ? "./" : folder, [&](const platform::DirEntry& entry) {
        if (entry.kind == platform::EntryKind::Regular && !entry.isLink &&
            platform::equalsNoCase(entry.name, name + ".MOI"))
            found.push_back(folder + entry.name);
        return true;
    });
    return found;
}

bool pairedWithAnotherFile(const std::string& companion, const std::string& except) {
    std::string base, folder, ext;
    splitPath(companion, base, folder, ext);
    bool paired = false;
    const int unlisted =
        platform::listDirectory(folder.empty() ? "./" : folder, [&](const platform::DirEntry& entry) {
            std::string name, ignored, kind;
            splitPath(entry.name, name, ignored, kind);
            paired = entry.kind != platform::EntryKind::Directory && !platform::equalsNoCase(kind, "MOI") &&
                     platform::equalsNoCase(name, base) && folder + entry.name != except;
            return !paired;
        });
    return paired || unlisted != 0;  // a folder that cannot be listed may hold the other clip
}

}  // namespace kadrel
