#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

#include "platform/file_io.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

// File system types of <linux/magic.h> that older kernel headers lack.
constexpr uint32_t kExfatMagic = 0x2011BAB0;
constexpr uint32_t kCifsMagic = 0xFF534D42;
constexpr uint32_t kSmb2Magic = 0xFE534D42;

FileTime fromTimespec(const struct statx_timestamp& t) {
    return {t.tv_sec, t.tv_nsec};
}

timespec toTimespec(const FileTime& t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.sec);
    ts.tv_nsec = static_cast<long>(t.nsec);
    return ts;
}

}  // namespace

bool getFileTimes(const std::string& path, FileTimes& times) {
    struct statx st {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        return false;
    times.lastWrite = fromTimespec(st.stx_mtime);
    times.lastAccess = fromTimespec(st.stx_atime);
    times.creation = (st.stx_mask & STATX_BTIME) ? fromTimespec(st.stx_btime) : times.lastWrite;
    return true;
}

bool setFileTimes(const std::string& path, const FileTimes& times) {
    const timespec ts[2] = {toTimespec(times.lastAccess), toTimespec(times.lastWrite)};
    return utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

int64_t timeToleranceNs(const std::string& path) {
    constexpr int64_t kSecond = 1000000000;
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) != 0)
        return 2 * kSecond;
    switch (static_cast<uint32_t>(fs.f_type)) {
        case MSDOS_SUPER_MAGIC:
        case kExfatMagic:
        case FUSE_SUPER_MAGIC:
        case SMB_SUPER_MAGIC:
        case kCifsMagic:
        case kSmb2Magic:
            return 2 * kSecond;
        default:
            return kSecond;
    }
}

bool toLocalCalendar(const FileTime& time, CalendarTime& out) {
    const time_t t = static_cast<time_t>(time.sec);
    tm fields{};
    if (!localtime_r(&t, &fields))
        return false;
    out = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
           fields.tm_hour,        fields.tm_min,     fields.tm_sec};
    return true;
}

RandomAccessFile::~RandomAccessFile() {
    close();
}

int RandomAccessFile::fail(int error) {
    error_ = error;
    return -1;
}

bool RandomAccessFile::open(const std::string& path, bool writable, bool noFollow) {
    close();
    error_ = 0;
    const int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | (noFollow ? O_NOFOLLOW : 0);
    fd_ = ::open(path.c_str(), flags);
    if (fd_ < 0)
        return fail(errno), false;
    struct stat st {};
    if (fstat(static_cast<int>(fd_), &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close();
        return fail(e), false;
    }
    return true;
}

int64_t RandomAccessFile::readAt(void* buffer, size_t size, int64_t offset) {
    if (faults_)
        if (const int e = faults_->beforeRead(offset, size))
            return fail(e);
    if (offset < 0)
        return fail(EINVAL);
    size_t done = 0;
    const int e = readFully(static_cast<int>(fd_), static_cast<char*>(buffer), size, offset, done);
    return e != 0 && done == 0 ? fail(e) : static_cast<int64_t>(done);
}

int64_t RandomAccessFile::writeAt(const void* buffer, size_t size, int64_t offset) {
    if (faults_)
        if (const int e = faults_->beforeWrite(offset, size))
            return fail(e);
    if (offset < 0)
        return fail(EINVAL);
    if (const int e = writeAll(static_cast<int>(fd_), {static_cast<const char*>(buffer), size}, offset))
        return fail(e);
    return static_cast<int64_t>(size);
}

int64_t RandomAccessFile::size() const {
    struct stat st {};
    if (fstat(static_cast<int>(fd_), &st) != 0)
        return -1;
    return st.st_size;
}

int RandomAccessFile::flush() {
    int e = faults_ ? faults_->beforeInPlaceFlush() : 0;
    if (e == 0 && ::fsync(static_cast<int>(fd_)) != 0)
        e = errno;
    if (e != 0)
        fail(e);
    return e;
}

bool RandomAccessFile::close() {
    const int fd = static_cast<int>(std::exchange(fd_, -1));
    if (fd < 0)
        return true;
    int e = faults_ ? faults_->beforeInPlaceClose() : 0;
    // Even EINTR counts: the descriptor is gone, but whether the data reached the file is not known.
    if (::close(fd) != 0 && e == 0)
        e = errno;
    if (e != 0)
        fail(e);
    return e == 0;
}

}  // namespace kadrel::platform
