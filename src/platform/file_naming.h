// Renaming and removing a file's name the way a copy's commit and a move need it, on every
// system: never clobbering a file unless asked, and a read-only file treated as any other.
#pragma once

#include <string>

namespace kadrel::platform {

/// Renames from to to without ever clobbering a file unless replace is set, and then also a
/// read-only one; also where the file system has neither a no-replace rename nor hard links
/// (FUSE exFAT, some FAT drivers). Returns 0 or an error number; EEXIST when a file holds the
/// name, EXDEV across file systems.
int renameInto(const std::string& from, const std::string& to, bool replace);

/// Removes the file path names (not a folder, a link rather than its target), also when it is
/// read-only. Returns 0 or an error number.
int removeNamedFile(const std::string& path);

}  // namespace kadrel::platform
