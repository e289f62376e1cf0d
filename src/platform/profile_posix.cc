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

// Reads to the end, not to the size fstat gave: files of /proc say 0 and still hold text.
int readAll(int fd, std::string& out) {
    const int e = readToEnd(fd, out, static_cast<size_t>(kMaxProfileSize));
    return e == EFBIG ? kProfileTooLarge : e;
}

// A read-only file counts as unwritable even for the superuser, as the read-only attribute does.
bool mayReplace(const std::string& file, const struct stat& st) {
    return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) && access(file.c_str(), W_OK) == 0;
}

// Creates a new file beside target under a hidden name made from target's; returns its
// descriptor, or -1 with errno set.
int createTemporaryBeside(const std::string& target, std::string& name) {
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = target.substr(0, target.size() - base.size()) + "." + base + ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Takes over mode and owner of the file being replaced; an owner change may be refused.
bool keepAttributes(int fd, const struct stat* old) {
    if (!old)
        return true;
    // Only the superuser may give the file back to its owner; otherwise it is ours already.
    [[maybe_unused]] const int chowned = fchown(fd, old->st_uid, old->st_gid);
    return fchmod(fd, old->st_mode & 07777) == 0;
}

bool writeTemporaryAndRename(const std::string& target, const std::string& contents, const struct stat* old) {
    std::string temp;
    const int fd = createTemporaryBeside(target, temp);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, contents) == 0 && keepAttributes(fd, old) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The new contents are in place either way; a folder that cannot be flushed keeps them too.
    flushFolder(folderOf(target));
    return true;
}

}  // namespace

int readProfileFile(const std::string& file, std::string& out) {
    out.clear();
    // O_NONBLOCK: a FIFO put in place of the file must not hang the program.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    int error = fstat(fd, &st) == 0 ? 0 : errno;
    if (error == 0 && !S_ISREG(st.st_mode))
        error = kProfileNotRegular;
    else if (error == 0)
        error = st.st_size > kMaxProfileSize ? kProfileTooLarge : readAll(fd, out);
    ::close(fd);
    return error;
}

std::string profileWriteTarget(const std::string& file) {
    char* real = realpath(file.c_str(), nullptr);
    if (!real)
        return file;
    std::string result(real);
    std::free(real);
    return result;
}

bool appendText(const std::string& file, const std::string& text) {
    struct stat st {};
    if (stat(file.c_str(), &st) == 0 ? !mayReplace(file, st) : errno != ENOENT)
        return false;
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, text) == 0 && fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

bool replaceFileAtomically(const std::string& file, const std::string& contents) {
    if (file.empty())
        return false;
    const std::string target = profileWriteTarget(file);
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        if (!mayReplace(target, st))
            return false;
        return writeTemporaryAndRename(target, contents, &st);
    }
    if (errno != ENOENT)
        return false;
    // The settings folder under ~/.config is made on the first write.
    if (!isDirectory(folderOf(target)) && !makeFolders(folderOf(target)))
        return false;
    return writeTemporaryAndRename(target, contents, nullptr);
}

}  // namespace kadrel::platform
