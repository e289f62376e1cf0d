#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/fileio.h"

namespace kadrel::platform {

namespace {

FileTime fromTimespec(const struct statx_timestamp& t) { return {t.tv_sec, t.tv_nsec}; }

timespec toTimespec(const FileTime& t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.sec);
    ts.tv_nsec = static_cast<long>(t.nsec);
    return ts;
}

}  // namespace

bool getFileTimes(const std::string& path, FileTimes& times) {
    struct statx st {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) return false;
    times.lastWrite = fromTimespec(st.stx_mtime);
    times.lastAccess = fromTimespec(st.stx_atime);
    times.creation = (st.stx_mask & STATX_BTIME) ? fromTimespec(st.stx_btime) : times.lastWrite;
    return true;
}

bool setFileTimes(const std::string& path, const FileTimes& times) {
    const timespec ts[2] = {toTimespec(times.lastAccess), toTimespec(times.lastWrite)};
    return utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

bool toLocalCalendar(const FileTime& time, CalendarTime& out) {
    const time_t t = static_cast<time_t>(time.sec);
    tm fields{};
    if (!localtime_r(&t, &fields)) return false;
    out = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
           fields.tm_hour,        fields.tm_min,     fields.tm_sec};
    return true;
}

RandomAccessFile::~RandomAccessFile() { close(); }

bool RandomAccessFile::open(const std::string& path, bool writable) {
    close();
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    sizeAtOpen_ = fd_ >= 0 ? size() : -1;
    return fd_ >= 0;
}

bool RandomAccessFile::onLocalDisk() const {
    // Memory cards (FAT, exFAT), network and user-space file systems are left out: their
    // pages are read through a copy, where a device error is a short read, not a signal.
    constexpr long kExt = 0xEF53, kXfs = 0x58465342, kBtrfs = 0x9123683E, kTmpfs = 0x01021994;
    struct statfs fs {};
    if (fd_ < 0 || ::fstatfs(fd_, &fs) != 0) return false;
    const long type = static_cast<long>(fs.f_type);
    return type == kExt || type == kXfs || type == kBtrfs || type == kTmpfs;
}

int64_t RandomAccessFile::readAt(void* buffer, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, size - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return done > 0 ? static_cast<int64_t>(done) : -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t RandomAccessFile::writeAt(const void* buffer, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pwrite(fd_, static_cast<const char*>(buffer) + done, size - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done > 0 ? static_cast<int64_t>(done) : -1;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t RandomAccessFile::size() const {
    struct stat st {};
    if (fstat(fd_, &st) != 0) return -1;
    return st.st_size;
}

void RandomAccessFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    sizeAtOpen_ = -1;
}

namespace {

size_t pageSize() {
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

/// True when every page of the mapping is in memory, so reading it needs no device.
bool allResident(void* base, size_t length) {
    std::vector<unsigned char> pages((length + pageSize() - 1) / pageSize());
    if (::mincore(base, length, pages.data()) != 0) return false;
    for (unsigned char p : pages)
        if (!(p & 1)) return false;
    return true;
}

}  // namespace

FileMapping::~FileMapping() { unmap(); }

bool FileMapping::map(const RandomAccessFile& file, int64_t offset, size_t length) {
    unmap();
    const int64_t size = file.size();
    const int64_t end = std::min<int64_t>(offset + static_cast<int64_t>(length), std::min(size, file.sizeAtOpen()));
    const int64_t start = offset - offset % static_cast<int64_t>(pageSize());
    if (offset < 0 || end <= offset || !file.onLocalDisk()) return false;
    // Private and writable only so that freeze can take a copy of a page; nothing written
    // here ever reaches the file.
    void* base = ::mmap(nullptr, static_cast<size_t>(end - start), PROT_READ | PROT_WRITE, MAP_PRIVATE, file.fd_, start);
    if (base == MAP_FAILED) return false;
    if (!allResident(base, static_cast<size_t>(end - start))) {
        ::munmap(base, static_cast<size_t>(end - start));
        return false;
    }
    base_ = base;
    offset_ = start;
    length_ = static_cast<size_t>(end - start);
    fd_ = file.fd_;
    return true;
}

void FileMapping::unmap() {
    if (base_) ::munmap(base_, length_);
    base_ = nullptr;
    length_ = 0;
    frozenPages_.clear();
}

void FileMapping::freeze(int64_t at, size_t n) {
    const int64_t end = offset_ + static_cast<int64_t>(length_);
    if (!base_ || n == 0 || at >= end || at + static_cast<int64_t>(n) <= offset_) return;
    const size_t first = static_cast<size_t>(std::max(at, offset_) - offset_) / pageSize();
    const size_t last = static_cast<size_t>(std::min(at + static_cast<int64_t>(n), end) - 1 - offset_) / pageSize();
    for (size_t page = first; page <= last; ++page) {
        if (std::find(frozenPages_.begin(), frozenPages_.end(), page) != frozenPages_.end()) continue;
        // Writing a byte onto itself gives this mapping its own copy of the page.
        volatile uint8_t* byte = static_cast<volatile uint8_t*>(base_) + page * pageSize();
        *byte = *byte;
        frozenPages_.push_back(page);
    }
}

bool FileMapping::refresh() {
    for (size_t page : frozenPages_) {
        uint8_t* at = static_cast<uint8_t*>(base_) + page * pageSize();
        const size_t n = std::min(pageSize(), length_ - page * pageSize());
        const int64_t fileAt = offset_ + static_cast<int64_t>(page * pageSize());
        if (::mmap(at, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd_, fileAt) == MAP_FAILED) {
            unmap();
            return false;
        }
    }
    frozenPages_.clear();
    return true;
}

}  // namespace kadrel::platform
