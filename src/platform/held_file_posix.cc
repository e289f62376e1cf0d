#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/held_file.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

/// More than any journal of a clip can hold: a file this long is none.
constexpr off_t kLargest = off_t{64} << 20;

/// An exclusive lock without waiting. A file system that keeps no locks cannot tell a live
/// writer from a dead one; the file is then taken as left behind.
int lockNow(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return 0;
    return errno == EWOULDBLOCK ? EWOULDBLOCK : 0;
}

int readAll(int fd, std::string& bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode) || st.st_size > kLargest)
        return EINVAL;
    bytes.assign(static_cast<size_t>(st.st_size), '\0');
    return readExactly(fd, bytes.data(), bytes.size(), 0);
}

}  // namespace

HeldFile::~HeldFile() {
    release();
}

int HeldFile::write(const std::string& temporary, const std::string& path, const std::string& bytes,
                    bool replace, FileFaults* faults) {
    if (const int e = faults ? faults->beforeJournalWrite(temporary) : 0)
        return e;
    Fd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.get() < 0)
        return errno;
    int e = lockNow(fd.get());
    if (e == 0)
        e = writeAll(fd.get(), bytes);
    if (e == 0 && ::fsync(fd.get()) != 0)
        e = errno;
    if (e == 0 && faults)
        e = faults->beforeRename(temporary, path);
    if (e == 0)
        e = renameInto(temporary, path, replace);
    if (e != 0) {
        ::unlink(temporary.c_str());
        return e;
    }
    release();
    fd_ = fd.release();
    path_ = path;
    return flushFolder(folderOf(path));
}

int HeldFile::take(const std::string& path, std::string& bytes) {
    release();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0)
        return errno;
    if (const int e = lockNow(fd.get()))
        return e;
    if (const int e = readAll(fd.get(), bytes))
        return e;
    fd_ = fd.release();
    path_ = path;
    return 0;
}

int HeldFile::remove(FileFaults* faults) {
    if (fd_ < 0)
        return ENOENT;
    if (const int e = faults ? faults->beforeJournalWrite(path_) : 0)
        return e;
    if (::unlink(path_.c_str()) != 0)
        return errno;
    const std::string folder = folderOf(path_);
    release();
    return flushFolder(folder);
}

void HeldFile::release() {
    if (fd_ >= 0)
        ::close(static_cast<int>(fd_));
    fd_ = -1;
    path_.clear();
}

}  // namespace kadrel::platform
