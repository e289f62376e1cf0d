#include "engine/copy/file_search.h"

#include "engine/copy/patch_journal.h"
#include "platform/file_system.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

constexpr char kSep = platform::kSeparator;

/// One alternative of a pattern, matched iteratively so long names cannot blow the stack.
bool matchOne(const std::string& name, const std::string& pattern) {
    size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || platform::asciiLower(pattern[p]) == platform::asciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string trimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

/// Files are taken only when regular: a FIFO or device named like a clip would hang or
/// never end a copy, and a dangling link has nothing to copy.
void addMatch(SearchState& state, const platform::DirEntry& entry, const std::string& path) {
    if (entry.kind == platform::EntryKind::Directory)
        return;  // a link to a folder is no clip
    if (entry.kind != platform::EntryKind::Regular) {
        state.skipped.push_back(path);
        return;
    }
    state.found.push_back(path);
}

bool isExcluded(const SearchState& state, const std::string& folder) {
    return state.excluded.exists() && platform::fileId(folder).sameFile(state.excluded);
}

/// The recursive walk of one folder (ending with the separator) into state.
void findFiles(SearchState& state, const std::string& folder, const std::atomic<bool>& abortRequested) {
    const auto visit = [&](const platform::DirEntry& entry) {
        if (abortRequested)
            return false;
        const std::string& name = entry.name;
        if (entry.isDirectory) {
            const std::string sub = folder + name + kSep;
            if (!entry.isHidden && !isExcluded(state, sub))
                findFiles(state, sub, abortRequested);
        } else if (!entry.isHidden && matchPattern(name, state.searchPattern)) {
            addMatch(state, entry, folder + name);
        } else if (entry.isHidden && !entry.isLink && isJournalName(name)) {
            state.journals.push_back(folder + name);
        }
        return !abortRequested;
    };
    // A folder that fails part way may have hidden clips as surely as one that never opened.
    if (!platform::listDirectory(folder, visit, state.faults))
        state.unreadable.push_back(folder);
}

}  // namespace

bool matchPattern(const std::string& name, const std::string& patterns) {
    size_t start = 0;
    for (;;) {
        const size_t end = patterns.find(';', start);
        const std::string alternative = trimBlanks(patterns.substr(start, end - start));
        if (!alternative.empty() && matchOne(name, alternative))
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

Outcome searchFiles(SearchState& state, const std::string& root, const std::string& ext,
                    std::vector<std::string>& files, const std::atomic<bool>& abortRequested) {
    const platform::FileId excluded = state.excluded;
    platform::FileFaults* const faults = state.faults;
    state = SearchState{};
    state.excluded = excluded;
    state.faults = faults;
    state.searchRoot = withTrailingSeparator(root);
    state.searchPattern = "*." + ext;
    findFiles(state, state.searchRoot, abortRequested);
    files = state.found;
    return abortRequested ? Outcome::cancelledRun() : Outcome::done();
}

std::string noFilesText(const std::string& searchExt) {
    return "No files with extension *." + searchExt +
           " were found in the specified source directory and all its subfolders!";
}

bool existsOrCanBeCreated(const std::string& path) {
    if (path.empty())
        return false;
    if (platform::entryExists(path))
        return true;
    return platform::createAndDeleteTest(path);
}

std::string withTrailingSeparator(const std::string& path) {
    if (!path.empty() && platform::isPathSeparator(path.back()))
        return path;
    return path + kSep;
}

void splitPath(const std::string& path, std::string& name, std::string& folder, std::string& ext) {
    const size_t slash = platform::lastSeparator(path);
    const size_t p = slash == std::string::npos ? 0 : slash + 1;  // characters of the folder part
    const size_t dot = path.rfind('.');
    const bool hasExt = dot != std::string::npos && dot + 1 > p;
    folder = path.substr(0, p);
    ext = hasExt ? path.substr(dot + 1) : "";
    name = hasExt ? path.substr(p, dot - p) : path.substr(p);
}

}  // namespace kadrel
