// What the Windows file modules share: a handle that closes itself, paths turned into the
// system's wide strings, the system's errors turned into the C library's error numbers that
// every caller of the platform layer understands, and reads and writes that go on after short
// transfers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kadrel::platform {

/// Closes a file handle on every path out of a scope.
class Handle {
  public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset(HANDLE h = INVALID_HANDLE_VALUE);

  private:
    HANDLE h_;
};

/// The path as the system's wide string; false when it is not valid UTF-8.
bool toWide(std::string_view utf8, std::wstring& out);
/// A wide name from the system as UTF-8; false when it is not valid UTF-16 (a lone surrogate).
bool fromWide(std::wstring_view wide, std::string& out);

/// True for either separator of a Windows path.
inline bool isSeparator(char c) {
    return c == '\\' || c == '/';
}
/// How many leading characters of path name its root, separator included: 3 for C:\ , 2 for C:
/// (the drive's current folder), 1 for a lone \ , all of \\server\share\ for a UNC path, 0 for a
/// relative path.
size_t rootLength(std::string_view path);

/// The attributes SetFileAttributesW takes; the others (directory, reparse point ...) are the
/// system's to keep.
inline constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

/// The C library's error number for a system error code (ERROR_FILE_NOT_FOUND gives ENOENT,
/// ERROR_DISK_FULL ENOSPC ...); EIO for a code that has no closer match.
int errorFromSystem(DWORD code);
/// errorFromSystem(GetLastError()).
int lastError();
/// The error number POSIX gives where the system's is vaguer: a path that leads through a file is
/// ENOTDIR, not ENOENT. e is what the call on path returned; other errors stay as they are.
int pathError(const std::string& path, int e);
/// The system code an error number stands for (ENOENT gives ERROR_FILE_NOT_FOUND); 0 when none.
DWORD systemCodeOf(int error);
/// The system's own text for a system code, in the user's language, without the closing period
/// and line end; empty when the system has none.
std::string systemMessage(DWORD code);

/// Opens path with CreateFileW. Every handle shares reading, writing and deleting, as an open
/// descriptor does on POSIX, so that a file held open (a copy under its lock) can still be
/// renamed or removed. Returns 0 or an error number (EINVAL for a path that is not UTF-8).
int openHandle(const std::string& path, DWORD access, DWORD disposition, DWORD flags, Handle& out);

/// Opens path for reading so that reading leaves its last access time as it was: a handle that
/// may write attributes asks the system to keep it (a source's times are the recording's own). A
/// file or card that refuses such a handle (read-only, write protected) is opened the ordinary
/// way. Returns 0 or an error number.
int openKeepingAccessTime(const std::string& path, DWORD flags, Handle& out);

/// Reads size bytes at offset, going on after short reads, until all are read or the file ends;
/// done tells how many arrived. Returns 0 or an error number.
int readFully(HANDLE h, char* buffer, size_t size, int64_t offset, size_t& done);
/// Writes all of data at offset. Returns 0 or an error number.
int writeAll(HANDLE h, std::string_view data, int64_t offset);

/// The identity of an open file: volume serial number, file index, size and last write time.
FileId fileId(HANDLE h);

/// Nanoseconds since 1970 of a FILETIME (100 ns ticks since 1601), and back.
int64_t nanosecondsOf(const FILETIME& time);
FILETIME fileTimeOf(int64_t nanoseconds);

}  // namespace kadrel::platform
