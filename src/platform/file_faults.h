// The file-system seam: every file operation a run makes asks it first, so tests can make a
// disk fail exactly where they choose. The program passes none and nothing is asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kadrel::platform {

/// Each hook returns 0 to go on or an error number that fails the operation at that point,
/// exactly as the failing system call would.
class FileFaults {
  public:
    virtual ~FileFaults() = default;
    /// Before a copy opens its source (a test may remove or replace the source here).
    virtual int beforeOpen(const std::string& source) { return ignore(source); }
    /// Before the copy slice that starts at offset is written.
    virtual int beforeSlice(int64_t offset) { return ignore(offset); }
    /// In place of the kernel's copy of a slice: ENOSYS or EXDEV makes the copy read and write.
    virtual int kernelCopy() { return 0; }
    /// After a copy is complete, before it takes the target's name.
    virtual int beforeCommit(const std::string& target) { return ignore(target); }
    /// After a copy took the target's name (a test may replace the file here).
    virtual void afterCommit(const std::string& target) { ignore(target); }
    /// Before a rename of source to target; EXDEV makes a move copy across file systems.
    virtual int beforeRename(const std::string& source, const std::string& target) {
        return ignore(source + target);
    }
    /// Before the 16:9 scan of the copy of source begins (on the thread that scans it).
    virtual int beforeScan(const std::string& source) { return ignore(source); }
    /// Before a scan reads size bytes at offset; may shorten size to make the read short.
    virtual int beforeRead(int64_t offset, size_t& size) { return ignore(offset + size); }
    /// Before a scan writes size bytes at offset.
    virtual int beforeWrite(int64_t offset, size_t size) { return ignore(offset + size); }
    /// Before each read of folder's entries, once entriesSeen of them were handed on: an error
    /// number ends the listing there, as a card reader failing part way through it does.
    virtual int beforeListing(const std::string& folder, size_t entriesSeen) {
        return ignore(folder.size() + entriesSeen);
    }
    /// Before a file written in place is flushed to the storage device.
    virtual int beforeFlush() { return 0; }
    /// Before a file written in place is closed: an error number is what the close reports.
    virtual int beforeClose() { return 0; }
    /// Patch mode: before each write of its own that is neither a scan write nor a rename (its
    /// journal, an original's attribute and times, the journal's removal); path is the file.
    virtual int beforeJournalWrite(const std::string& path) { return ignore(path); }

  private:
    template <typename T>
    static int ignore(const T&) {
        return 0;
    }
};

}  // namespace kadrel::platform
