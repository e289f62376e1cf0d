#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/locked_rewrite.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

/// Reads all of path; a missing file reads as empty.
int readOld(const std::string& path, std::string& text) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0)
        return errno == ENOENT ? 0 : errno;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EISDIR;
    return readToEnd(fd.get(), text, text.max_size());
}

int writeNew(const std::string& path, const std::string& text) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (fd.get() < 0)
        return errno;
    if (const int e = writeAll(fd.get(), text))
        return e;
    if (::fsync(fd.get()) != 0)
        return errno;
    return ::close(fd.release()) == 0 ? 0 : errno;
}

}  // namespace

int rewriteLocked(const std::string& path, const std::function<std::string(const std::string&)>& edit) {
    const std::string folder = folderOf(path);
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errno;
    while (::flock(dir.get(), LOCK_EX) != 0)
        if (errno != EINTR) {
            if (errno != EOPNOTSUPP && errno != ENOLCK && errno != EINVAL)
                return errno;
            break;
        }
    std::string old;
    if (const int e = readOld(path, old))
        return e;
    // One temporary name per file: whoever holds the lock may write over a crashed run's leftover.
    const std::string temporary = folder + "." + path.substr(path.rfind('/') + 1) + ".tmp";
    int e = writeNew(temporary, edit(old));
    if (e == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        e = errno;
    if (e != 0) {
        ::unlink(temporary.c_str());
        return e;
    }
    return ::fsync(dir.get()) == 0 ? 0 : errno;
}

}  // namespace kadrel::platform
