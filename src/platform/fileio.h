// Positional file access with 64-bit offsets and file times with full precision.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kadrel::platform {

/// A point in time as seconds and nanoseconds since 1970-01-01 UTC.
struct FileTime {
    int64_t sec = 0;
    int64_t nsec = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
    friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

/// The three times of a file in the design's record order: creation, last write, last access.
/// Creation is the birth time when the file system reports one, else the last write time.
struct FileTimes {
    FileTime creation;
    FileTime lastWrite;
    FileTime lastAccess;
    friend bool operator==(const FileTimes&, const FileTimes&) = default;
};

/// Reads the three times of an existing entry. False when it cannot be examined.
bool getFileTimes(const std::string& path, FileTimes& times);

/// Writes last access and last write exactly (nanoseconds); the birth time cannot be set.
bool setFileTimes(const std::string& path, const FileTimes& times);

/// Calendar fields of a time in the process's local time zone.
struct CalendarTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

/// Converts to local calendar fields; false when the time cannot be represented.
bool toLocalCalendar(const FileTime& time, CalendarTime& out);

/// A file opened for positional reads and writes; closed by its destructor.
class RandomAccessFile {
public:
    RandomAccessFile() = default;
    ~RandomAccessFile();
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

    /// Opens an existing file for reading, or for reading and writing. False on failure.
    bool open(const std::string& path, bool writable);
    bool isOpen() const { return fd_ >= 0; }
    /// Reads up to size bytes at offset; returns the count read (0 at the end), -1 on error.
    int64_t readAt(void* buffer, size_t size, int64_t offset);
    /// Writes size bytes at offset; returns the count written, -1 on error.
    int64_t writeAt(const void* buffer, size_t size, int64_t offset);
    /// The current length of the file, -1 on error.
    int64_t size() const;
    /// The length the file had when it was opened, -1 when unknown.
    int64_t sizeAtOpen() const { return sizeAtOpen_; }
    /// True when the file lies on a local disk file system (not a memory card's FAT, not a
    /// network or user-space file system), where its cached pages may be read in place.
    bool onLocalDisk() const;
    void close();

private:
    friend class FileMapping;
    int fd_ = -1;
    int64_t sizeAtOpen_ = -1;
};

/// Part of a file seen in memory without copying, for reading only. The file's own bytes are
/// never changed through it. Reading a mapped page whose data the device cannot deliver, or
/// that a shrinking file no longer has, stops the process; so a window is only taken when all
/// its pages are already in memory and it ends within the size the file had when opened.
class FileMapping {
public:
    FileMapping() = default;
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    /// Maps up to length bytes of file from offset on (rounded down to a page). False, with
    /// nothing mapped, when the file is not on a local disk, a page is not in memory, or the
    /// system refuses.
    bool map(const RandomAccessFile& file, int64_t offset, size_t length);
    /// Unmaps the window.
    void unmap();
    bool isMapped() const { return base_ != nullptr; }
    /// File offset of the first mapped byte.
    int64_t offset() const { return offset_; }
    /// Count of mapped bytes.
    size_t length() const { return length_; }
    /// The mapped bytes.
    const uint8_t* data() const { return static_cast<const uint8_t*>(base_); }
    /// Keeps the bytes of [at, at + n) in this window as they are now, whatever is written to
    /// the file later, until refresh.
    void freeze(int64_t at, size_t n);
    /// Shows the file's current bytes again where freeze kept older ones. False when the
    /// window had to be unmapped instead.
    bool refresh();

private:
    void* base_ = nullptr;
    int64_t offset_ = 0;
    size_t length_ = 0;
    int fd_ = -1;
    std::vector<size_t> frozenPages_;  ///< page indexes inside the window
};

}  // namespace kadrel::platform
