// A small file that must be on the disk whole before anything it describes happens, and that
// tells a file a live process is using from one a killed process left behind: it is written
// under a temporary name, flushed, renamed into place with its folder flushed, and held under
// an exclusive lock for as long as its writer lives.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_faults.h"

namespace kadrel::platform {

class HeldFile {
  public:
    HeldFile() = default;
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    /// Writes bytes to temporary (created exclusively and locked), flushes it and renames it to
    /// path, replacing a file there only when replace is set, then flushes the folder. The file
    /// held before, if any, is let go. Returns 0 or an error number; on failure no temporary
    /// is left and the file held before stays held.
    int write(const std::string& temporary, const std::string& path, const std::string& bytes, bool replace,
              FileFaults* faults);
    /// Opens an existing regular file, takes its lock without waiting and reads it whole.
    /// EWOULDBLOCK when a live process holds it; a file system that has no locks lets it be
    /// taken. Returns 0 or an error number.
    int take(const std::string& path, std::string& bytes);
    /// Removes the held file and flushes its folder; the lock goes with it. Returns 0 or an
    /// error number (the file is still held then).
    int remove(FileFaults* faults);
    /// Lets the file go without removing it.
    void release();
    bool held() const { return fd_ != -1; }

  private:
    intptr_t fd_ = -1;  ///< a descriptor (POSIX) or handle (Windows)
    std::string path_;
};

}  // namespace kadrel::platform
