#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "platform/copy_temporary.h"
#include "platform/file_copy.h"
#include "platform/temporary_name.h"

namespace kadrel::platform {

namespace {

/// Locks a temporary file just created under name for the life of its copy. A second
/// descriptor of the same open file keeps the lock once the writing one is closed. Returns 0,
/// also where the file system refuses locks (the copy works, only no run may take such a file
/// for stale), or EAGAIN when another run's clean-up holds the file or took the name away.
int lockTemporary(const std::string& name, const Fd& out, Fd& lock, FileFaults* faults) {
    int e = faults ? faults->lockTemporary() : 0;
    if (e == 0 && ::flock(out.get(), LOCK_EX | LOCK_NB) != 0)
        e = errno;
    if (e == EWOULDBLOCK)
        return EAGAIN;
    struct stat mine {};
    struct stat named {};
    // Between the create and the lock a clean-up may have removed the new file.
    if (::fstat(out.get(), &mine) != 0 || ::lstat(name.c_str(), &named) != 0 || !sameInode(mine, named))
        return EAGAIN;
    lock.reset(::fcntl(out.get(), F_DUPFD_CLOEXEC, 0));
    return lock.get() < 0 ? errno : 0;
}

/// Locks the temporary file name in dir if no process holds it. Only a lock this call holds
/// tells that no run writes the file (a run keeps its lock until the copy has its name); where
/// the file system refuses locks, no file is ever stale. False when it is not stale.
bool takeStale(int dir, const char* name, Fd& lock) {
    lock.reset(::openat(dir, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat held {};
    struct stat named {};
    if (lock.get() < 0 || ::fstat(lock.get(), &held) != 0 || !S_ISREG(held.st_mode))
        return false;
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    // The name may have gone to a new run's file since it was opened.
    return ::fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameInode(held, named);
}

}  // namespace

bool sameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int createLockedTemporary(const std::string& target, FileFaults* faults, Fd& out, Fd& lock,
                          std::string& tempPath) {
    static std::atomic<unsigned> counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            temporaryName(folderOf(target), static_cast<unsigned long>(::getpid()), ++counter);
        out.reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (out.get() < 0 && errno != EEXIST)
            return errno;
        if (out.get() < 0)
            continue;
        tempPath = name;  // only a file this call created is ever removed again
        const int e = lockTemporary(name, out, lock, faults);
        if (e != EAGAIN)
            return e;
        tempPath.clear();  // the clean-up that holds it removes it; a name taken away is not ours
    }
    return EEXIST;
}

std::vector<std::string> removeStaleTemporaries(const std::string& folder) {
    std::vector<std::string> removed;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return removed;
    while (const dirent* entry = ::readdir(dir)) {
        Fd lock;
        if (isTemporaryName(entry->d_name) && takeStale(::dirfd(dir), entry->d_name, lock) &&
            ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            removed.push_back(entry->d_name);
    }
    ::closedir(dir);
    return removed;
}

}  // namespace kadrel::platform
