// Positional file access with 64-bit offsets and file times with full precision.
// A call that can fail returns false (or -1 for a count) and leaves errno telling why; the
// open file keeps its own error number in error().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_faults.h"

namespace kadrel::platform {

/// A point in time as seconds and nanoseconds since 1970-01-01 UTC.
struct FileTime {
    int64_t sec = 0;
    int64_t nsec = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
    friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

/// The three times of a file in the order of the saved record: creation, last write, last access.
/// Creation is the birth time when the file system reports one, else the last write time.
struct FileTimes {
    FileTime creation;
    FileTime lastWrite;
    FileTime lastAccess;
    friend bool operator==(const FileTimes&, const FileTimes&) = default;
};

/// Reads the three times of an existing entry. False (errno set) when it cannot be examined.
bool getFileTimes(const std::string& path, FileTimes& times);

/// Writes last access and last write exactly (nanoseconds); the birth time cannot be set.
/// False (errno set) when they could not be written.
bool setFileTimes(const std::string& path, const FileTimes& times);

/// How close a time read back must be to the time written to count as kept on the file system
/// that holds path, in nanoseconds: 2 s on FAT, exFAT, FUSE and SMB file systems (FAT keeps
/// even seconds; a FUSE or network file system may sit on one), 1 s elsewhere (some keep whole
/// seconds). A time a file system reset (to the time of a rename, say) is far outside either.
int64_t timeToleranceNs(const std::string& path);

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

    /// Opens an existing regular file for reading, or for reading and writing, without ever
    /// blocking (a FIFO or device is refused); noFollow refuses a symbolic link. False on
    /// failure, with error() telling why.
    bool open(const std::string& path, bool writable, bool noFollow = false);
    /// Reads up to size bytes at offset; returns the count read (0 at the end), -1 on error.
    int64_t readAt(void* buffer, size_t size, int64_t offset);
    /// Writes size bytes at offset; returns the count written, -1 on error.
    int64_t writeAt(const void* buffer, size_t size, int64_t offset);
    /// The error number of the last failed open, read or write; 0 when none failed.
    int error() const { return error_; }
    /// Tests: every read and write asks faults first.
    void setFaults(FileFaults* faults) { faults_ = faults; }
    /// The current length of the file, -1 on error.
    int64_t size() const;
    /// Flushes the data written so far to the storage device (fsync). 0 or the error number.
    int flush();
    /// Closes the file; false when close() reports an error (a network or FUSE file system may
    /// report a write that failed only there), with error() telling why.
    bool close();

  private:
    int fail(int error);
    intptr_t fd_ = -1;  ///< the descriptor, or on Windows the file's HANDLE
    int error_ = 0;
    FileFaults* faults_ = nullptr;
};

}  // namespace kadrel::platform
