#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/posix_file.h"
#include "platform/profile.h"
#include "platform/profile_file.h"

namespace kadrel::platform {

namespace {

// A read-only file counts as unwritable even for the superuser, as the read-only attribute does.
int mayReplace(const std::string& file, const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (!(st.st_mode & S_IWUSR))
        return EACCES;
    return access(file.c_str(), W_OK) == 0 ? 0 : errno;
}

// Creates a new file beside target under a hidden name made from target's, open for writing.
int createTemporaryBeside(const std::string& target, std::string& name, Fd& fd) {
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = target.substr(0, target.size() - base.size()) + "." + base + ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd.reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() >= 0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// Takes over mode and owner of the file being replaced; an owner change may be refused.
int keepAttributes(int fd, const struct stat* old) {
    if (!old)
        return 0;
    // Only the superuser may give the file back to its owner; otherwise it is ours already.
    [[maybe_unused]] const int chowned = fchown(fd, old->st_uid, old->st_gid);
    return fchmod(fd, old->st_mode & 07777) == 0 ? 0 : errno;
}

// Flushes and closes fd after error, the first failure of the writes to it; returns the first
// failure of them all.
int syncAndClose(Fd& fd, int error) {
    if (error == 0 && fsync(fd.get()) != 0)
        error = errno;
    if (::close(fd.release()) != 0 && error == 0)
        error = errno;
    return error;
}

int writeTemporaryAndRename(const std::string& target, const std::string& contents, const struct stat* old) {
    std::string temp;
    Fd fd;
    if (const int error = createTemporaryBeside(target, temp, fd))
        return error;
    int error = writeAll(fd.get(), contents);
    if (error == 0)
        error = keepAttributes(fd.get(), old);
    error = syncAndClose(fd, error);
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    // The new contents are in place either way; a folder that cannot be flushed keeps them too.
    flushFolder(folderOf(target));
    return 0;
}

}  // namespace

ProfileState readProfileFile(const std::string& file, std::string& out, int& error) {
    out.clear();
    // O_NONBLOCK: a FIFO put in place of the file must not hang the program.
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    error = fd.get() < 0 || fstat(fd.get(), &st) != 0 ? errno : 0;
    if (error != 0)
        return ProfileState::ReadFails;
    if (!S_ISREG(st.st_mode))
        return ProfileState::NotRegular;
    if (st.st_size > kMaxProfileSize)
        return ProfileState::TooLarge;
    // To the end, not to the size fstat gave: files of /proc say 0 and still hold text.
    error = readToEnd(fd.get(), out, static_cast<size_t>(kMaxProfileSize));
    if (error == EFBIG) {
        error = 0;
        return ProfileState::TooLarge;
    }
    return error == 0 ? ProfileState::Readable : ProfileState::ReadFails;
}

std::string profileWriteTarget(const std::string& file) {
    char* real = realpath(file.c_str(), nullptr);
    if (!real)
        return file;
    std::string result(real);
    std::free(real);
    return result;
}

int appendText(const std::string& file, const std::string& text) {
    struct stat st {};
    if (stat(file.c_str(), &st) == 0) {
        if (const int refused = mayReplace(file, st))
            return refused;
    } else if (errno != ENOENT) {
        return errno;
    }
    Fd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return errno;
    return syncAndClose(fd, writeAll(fd.get(), text));
}

int replaceFileAtomically(const std::string& file, const std::string& contents) {
    if (file.empty())
        return ENOENT;
    const std::string target = profileWriteTarget(file);
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        if (const int refused = mayReplace(target, st))
            return refused;
        return writeTemporaryAndRename(target, contents, &st);
    }
    if (errno != ENOENT)
        return errno;
    // The settings folder under ~/.config is made on the first write.
    if (!isDirectory(folderOf(target)))
        if (const int error = makeFolders(folderOf(target)))
            return error;
    return writeTemporaryAndRename(target, contents, nullptr);
}

}  // namespace kadrel::platform
