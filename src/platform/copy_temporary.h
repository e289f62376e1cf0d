// The temporary files of copies: hidden beside their targets, locked for as long as their copy
// lives, and removed by a later run only when no process holds that lock.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/file_faults.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

/// Creates and locks a hidden file beside target that no search for clips will pick up: out is
/// open for writing, lock holds the lock on the same open file once out is closed. path names
/// the file as soon as it exists (also when a later step fails). Returns 0 or an error number.
int createLockedTemporary(const std::string& target, FileFaults* faults, Fd& out, Fd& lock,
                          std::string& path);

/// True when both examined files are the same file.
bool sameInode(const struct stat& a, const struct stat& b);

}  // namespace kadrel::platform
