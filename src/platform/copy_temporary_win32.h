// What the Windows copy, held-file and rewrite modules share: locks that tell a live run's file
// from a killed run's, attributes changed through an open handle, renames that never clobber a
// file unless asked, and the hidden temporary files of copies.
#pragma once

#include <string>

#include "platform/file_faults.h"
#include "platform/file_naming.h"
#include "platform/handle_win32.h"

namespace kadrel::platform {

/// Takes the exclusive lock of an open file, waiting for it or not. Returns 0, EWOULDBLOCK when
/// another handle holds it, or an error number (ENOSYS where the file system has no locks).
int lockHandle(HANDLE h, bool wait);

/// Sets the attribute bits in set and clears those in clear through an open handle that may
/// write attributes; the times stay. Returns 0 or an error number.
int changeAttributes(HANDLE h, DWORD set, DWORD clear);

/// Creates a hidden file beside target that no search for clips picks up, and locks it: out is
/// open for writing, lock is a second handle of the same file that holds the lock once out is
/// closed and that may flush and change attributes. It has no DELETE access, which would keep
/// every program that opens the file without sharing deletion out of it. path names the file as soon as it
/// exists (also when a later step fails). Returns 0 or an error number.
int createLockedTemporary(const std::string& target, FileFaults* faults, Handle& out, Handle& lock,
                          std::string& path);

}  // namespace kadrel::platform
