#include <cerrno>
#include <ctime>
#include <cwchar>
#include <utility>

#include "platform/file_io.h"
#include "platform/handle_win32.h"

namespace kadrel::platform {

namespace {

constexpr int64_t kSecond = 1000000000;
constexpr int64_t kTicksPerSecond = 10000000;
/// Seconds from 1601-01-01, where FILETIME counts from, to 1970-01-01.
constexpr int64_t kEpochSeconds = 11644473600;
/// Seconds of a Gregorian cycle of 400 years, after which the calendar repeats exactly.
constexpr int64_t kCycleSeconds = 146097LL * 86400;

/// Counted from the ticks themselves rather than through nanoseconds, which would overflow for a
/// time after 2262 that NTFS can hold.
FileTime fromFileTime(const FILETIME& time) {
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return {ticks / kTicksPerSecond - kEpochSeconds, ticks % kTicksPerSecond * 100};
}

/// False for a time before 1601 or past the year 30000: a FILETIME cannot hold it, and 0 would
/// tell SetFileTime to leave that time as it is.
bool toFileTime(const FileTime& time, FILETIME& out) {
    const int64_t sec = time.sec + kEpochSeconds + time.nsec / kSecond;
    const int64_t nsec = time.nsec % kSecond;
    if (sec < 0 || sec > 900000000000 || (sec == 0 && nsec < 100) || nsec < 0)
        return false;
    const uint64_t ticks = static_cast<uint64_t>(sec * kTicksPerSecond + nsec / 100);
    out = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return true;
}

HANDLE handleOf(intptr_t fd) {
    return reinterpret_cast<HANDLE>(fd);
}

/// 0 when h is a regular file the caller may use; noFollow refuses every reparse point, the
/// counterpart of O_NOFOLLOW. A read-only file is refused for writing also where the system
/// itself would not (Wine run by root), so that the attribute means the same everywhere.
int checkRegular(HANDLE h, bool writable, bool noFollow) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK)
        return EINVAL;
    if (!GetFileInformationByHandle(h, &info))
        return lastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return EISDIR;
    if (writable && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        return EACCES;
    return noFollow && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ELOOP : 0;
}

}  // namespace

int getFileTimes(const std::string& path, FileTimes& times) {
    Handle h;
    FILETIME creation, access, write;
    if (const int e = openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h))
        return e;
    if (!GetFileTime(h.get(), &creation, &access, &write))
        return lastError();
    times = {fromFileTime(creation), fromFileTime(write), fromFileTime(access)};
    return 0;
}

int setFileTimes(const std::string& path, const FileTimes& times) {
    // Windows keeps a creation time of its own that can be set: all three are written.
    FILETIME creation, access, write;
    if (!toFileTime(times.creation, creation) || !toFileTime(times.lastAccess, access) ||
        !toFileTime(times.lastWrite, write))
        return EINVAL;
    Handle h;
    if (const int e = openHandle(path, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h))
        return e;
    return SetFileTime(h.get(), &creation, &access, &write) ? 0 : lastError();
}

int64_t timeToleranceNs(const std::string& path) {
    std::wstring wide;
    wchar_t root[MAX_PATH + 1], fileSystem[MAX_PATH + 1];
    Handle h;
    // Asked through the file, not the volume's root: that needs no read of the device itself.
    if (!toWide(path, wide) || !GetVolumePathNameW(wide.c_str(), root, MAX_PATH + 1) ||
        openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h) != 0 ||
        !GetVolumeInformationByHandleW(h.get(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                       MAX_PATH + 1))
        return 2 * kSecond;
    // A network share may sit on a FAT disk or keep even seconds itself.
    if (GetDriveTypeW(root) == DRIVE_REMOTE)
        return 2 * kSecond;
    const bool fat = _wcsicmp(fileSystem, L"FAT") == 0 || _wcsicmp(fileSystem, L"FAT32") == 0 ||
                     _wcsicmp(fileSystem, L"exFAT") == 0;
    return fat ? 2 * kSecond : kSecond;
}

int toLocalCalendar(const FileTime& time, CalendarTime& out) {
    // The C runtime's zone, not the system's: it reads TZ as the POSIX one does, so a zone set
    // for the process holds here too.
    _tzset();
    // The runtime refuses times before 1970; whole cycles of 400 years move them into its range
    // with the same calendar (with the zone's present rules for daylight saving time).
    const int64_t cycles = time.sec < 0 ? (kCycleSeconds - 1 - time.sec) / kCycleSeconds : 0;
    if (cycles > 4)
        return EOVERFLOW;
    const __time64_t t = time.sec + cycles * kCycleSeconds;
    tm fields{};
    if (_localtime64_s(&fields, &t) != 0)
        return EOVERFLOW;
    out = {fields.tm_year + 1900 - 400 * static_cast<int>(cycles),
           fields.tm_mon + 1,
           fields.tm_mday,
           fields.tm_hour,
           fields.tm_min,
           fields.tm_sec};
    return 0;
}

RandomAccessFile::~RandomAccessFile() {
    close();
}

int RandomAccessFile::open(const std::string& path, bool writable, bool noFollow) {
    close();
    Handle h;
    // A scan that only reads a clip must not move its last access time either.
    const DWORD flags = noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
    const int opened = writable ? openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, flags, h)
                                : openKeepingAccessTime(path, flags, h);
    if (const int e = opened)
        return e == EACCES && entryKind(path) == EntryKind::Directory ? EISDIR : e;
    if (const int e = checkRegular(h.get(), writable, noFollow))
        return e;
    fd_ = reinterpret_cast<intptr_t>(h.release());
    return 0;
}

int RandomAccessFile::readAt(void* buffer, size_t size, int64_t offset, size_t& got) {
    got = 0;
    if (faults_)
        if (const int e = faults_->beforeRead(offset, size))
            return e;
    if (offset < 0)
        return EINVAL;
    const int e = readFully(handleOf(fd_), static_cast<char*>(buffer), size, offset, got);
    return got == 0 ? e : 0;
}

int RandomAccessFile::writeAt(const void* buffer, size_t size, int64_t offset) {
    if (faults_)
        if (const int e = faults_->beforeWrite(offset, size))
            return e;
    if (offset < 0)
        return EINVAL;
    const int e = writeAll(handleOf(fd_), {static_cast<const char*>(buffer), size}, offset);
    // An open handle refused a write was opened for reading only: what POSIX calls EBADF.
    return e == EACCES ? EBADF : e;
}

int RandomAccessFile::size(int64_t& bytes) const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handleOf(fd_), &size))
        return lastError();
    bytes = size.QuadPart;
    return 0;
}

int RandomAccessFile::flush() {
    int e = faults_ ? faults_->beforeInPlaceFlush() : 0;
    if (e == 0 && !FlushFileBuffers(handleOf(fd_)))
        e = lastError();
    return e;
}

int RandomAccessFile::close() {
    const HANDLE h = handleOf(std::exchange(fd_, -1));
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int e = faults_ ? faults_->beforeInPlaceClose() : 0;
    if (!CloseHandle(h) && e == 0)
        e = lastError();
    return e;
}

}  // namespace kadrel::platform
