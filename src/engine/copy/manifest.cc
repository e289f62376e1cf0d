#include "engine/copy/manifest.h"

#include <optional>
#include <set>

#include "platform/file_system.h"
#include "platform/locked_rewrite.h"

namespace kadrel {

namespace {

constexpr size_t kDigestDigits = 32;

/// Copies go into the folder itself: a name is the copy's last path component.
std::string nameInFolder(const std::string& copy) {
    return std::string(platform::nameOf(copy));
}

/// The name a line holds; nothing when it is not a line of this format.
std::optional<std::string> nameOfLine(const std::string& line) {
    if (line.size() <= kDigestDigits + 2 || line.compare(kDigestDigits, 2, "  ") != 0)
        return std::nullopt;
    return line.substr(kDigestDigits + 2);
}

}  // namespace

bool manifestCanHold(const std::string& name) {
    return name.find_first_of("\n\\") == std::string::npos;
}

std::string mergeManifest(const std::string& old, const std::vector<ProcessedFile>& copies) {
    std::set<std::string> written;
    std::string added;
    for (const ProcessedFile& f : copies) {
        const std::string name = nameInFolder(f.copy);
        if (!f.read || !manifestCanHold(name))
            continue;
        written.insert(name);
        added += f.digest.hex() + "  " + name + "\n";
    }
    std::string text;
    for (size_t at = 0, end; at < old.size(); at = end + 1) {
        end = old.find('\n', at);
        if (end == std::string::npos)
            end = old.size();
        const std::string line = old.substr(at, end - at);
        const std::optional<std::string> name = nameOfLine(line);
        if (!line.empty() && (!name || written.count(*name) == 0))
            text += line + "\n";
    }
    return text + added;
}

Outcome updateManifest(const std::string& folder, const std::vector<ProcessedFile>& copies) {
    const std::string path = folder + kManifestName;
    const int e =
        platform::rewriteLocked(path, [&](const std::string& old) { return mergeManifest(old, copies); });
    return Outcome::fromError(e, path);
}

}  // namespace kadrel
