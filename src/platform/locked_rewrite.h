// Rewriting a small shared text file whole, so that runs that meet in one folder and a crash
// at any moment never leave it half written or lose one run's lines to the other's.
#pragma once

#include <functional>
#include <string>

namespace kadrel::platform {

/// Under an exclusive lock on the file's folder, reads path (empty when there is none), passes
/// its contents through edit and writes the result to a hidden temporary file beside it, which
/// is flushed and renamed over path; the folder is flushed last. A crash leaves the old file or
/// the new one. Where the file system refuses locks the rewrite goes on without one. Returns 0
/// or an error number (EISDIR when path is not a regular file).
int rewriteLocked(const std::string& path, const std::function<std::string(const std::string&)>& edit);

}  // namespace kadrel::platform
