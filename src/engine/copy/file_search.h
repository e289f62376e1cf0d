// Recursive search for files of one extension, and the path services the validation,
// the names and the copy run share.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/outcome.h"
#include "platform/file_system.h"

namespace kadrel {

/// State of the one search a process runs at a time; the last result stays until the next.
/// Paths are kept as a list: on this platform a name may hold any byte but "/" and NUL, so
/// no separator text could tell one name from the next.
struct SearchState {
    std::vector<std::string> found;          ///< regular files (or links to one), in the order found
    std::vector<std::string> skipped;        ///< matching entries that are no regular file
    std::vector<std::string> unreadable;     ///< folders that could not be listed
    std::vector<std::string> journals;       ///< patch-mode journals (hidden) in the folders walked
    std::string searchPattern;               ///< "*." followed by the extension
    std::string searchRoot;                  ///< ends with the separator
    platform::FileId excluded;               ///< a folder never entered: the run's target inside the source
    platform::FileFaults* faults = nullptr;  ///< file-system seam for tests; none in the program
};

/// The heading over the folders a search could not list, in every message that names them.
inline constexpr char kUnreadableFoldersHeading[] =
    "These folders were skipped because they could not be read:";

/// Clears the state (but for excluded and faults), walks root and its subfolders for "*." + ext
/// and hands the found paths to files. Every folder whose listing failed, at its start or part
/// way, root included, is named in unreadable: it may hide clips. Cancelled when abortRequested
/// stopped the walk.
Outcome searchFiles(SearchState& state, const std::string& root, const std::string& ext,
                    std::vector<std::string>& files, const std::atomic<bool>& abortRequested);

/// The error when a search found nothing.
std::string noFilesText(const std::string& searchExt);

/// Wildcard match: "*", "?", ASCII letters without regard to case, ";" between alternatives.
bool matchPattern(const std::string& name, const std::string& patterns);

/// True when the path names an existing entry or a file that can be created (none is left).
bool existsOrCanBeCreated(const std::string& path);
/// The path with a separator appended unless it already ends with one.
std::string withTrailingSeparator(const std::string& path);
/// Splits a full path into folder (with its separator), base name and extension (no dot).
void splitPath(const std::string& path, std::string& name, std::string& folder, std::string& ext);

}  // namespace kadrel
