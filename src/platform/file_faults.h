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
    virtual int beforeInPlaceFlush() { return 0; }
    /// Before a file written in place is closed: an error number is what the close reports.
    virtual int beforeInPlaceClose() { return 0; }
    /// Patch mode: before each write of its own that is neither a scan write nor a rename (its
    /// journal, an original's attribute and times, the journal's removal); path is the file.
    virtual int beforeJournalWrite(const std::string& path) { return ignore(path); }
    /// Before a copy reads the source at offset, through the kernel's copy (kernel) or its own
    /// buffer: true makes that read find the end there, as a source cut short or a file system
    /// whose kernel copy stops early would.
    virtual bool endsAt(int64_t offset, bool kernel) { return (ignore(offset) | ignore(kernel)) != 0; }
    /// In place of the lock on a copy's temporary file: an error number refuses it, as a file
    /// system without locks does.
    virtual int lockTemporary() { return 0; }
    /// After a descriptor of the copy that will be or is (named) target was closed: an error
    /// number makes the close fail, as a write error a file system reports only at close().
    virtual int afterClose(const std::string& target, bool named) { return ignore(target) | ignore(named); }
    /// Before a copy (its target's name given) or a folder is flushed to the disk.
    virtual int beforeFlush(const std::string& path) { return ignore(path); }
    /// After a copy took its name and its file system changed its time: before the times are
    /// written again.
    virtual int beforeTimesAgain(const std::string& copy) { return ignore(copy); }

  private:
    template <typename T>
    static int ignore(const T&) {
        return 0;
    }
};

}  // namespace kadrel::platform
