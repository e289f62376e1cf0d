#include <dirent.h>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "platform/file_faults.h"
#include "platform/file_system.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

std::string withSeparator(std::string path) {
    if (path.empty() || path.back() != kSeparator)
        path += kSeparator;
    return path;
}

std::string configFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/')
        return withSeparator(xdg) + "kadrel/";
    const char* home = std::getenv("HOME");
    return withSeparator(home && *home ? home : "/tmp") + ".config/kadrel/";
}

EntryKind kindOf(mode_t mode) {
    if (S_ISREG(mode))
        return EntryKind::Regular;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    return EntryKind::Special;
}

/// Fills in what an entry is; d_type spares a stat for most entries of most file systems.
void classify(int dirFd, const dirent& entry, DirEntry& item) {
    struct stat st {};
    if (entry.d_type == DT_REG)
        item.kind = EntryKind::Regular;
    else if (entry.d_type == DT_DIR)
        item.kind = EntryKind::Directory;
    else if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        item.kind = EntryKind::Special;
    else if (fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        item.isLink = S_ISLNK(st.st_mode);
        item.kind = item.isLink ? EntryKind::Missing : kindOf(st.st_mode);
        if (item.isLink && fstatat(dirFd, entry.d_name, &st, 0) == 0)
            item.kind = kindOf(st.st_mode);
    }
    item.isDirectory = !item.isLink && item.kind == EntryKind::Directory;
}

}  // namespace

std::string programFolder() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return "./";
    std::string exe(buffer, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind(kSeparator) + 1);
}

std::string settingsFolder(const std::string& programDir) {
    // A writable program folder is no reason to write there: for root that would put the
    // settings into /usr/bin. Only a file the user placed beside the program makes it portable.
    const std::string dir = withSeparator(programDir);
    return entryExists(dir + "Kadrel.ini") ? dir : configFolder();
}

bool entryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileId fileId(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return {};
    return fileId(st);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

int flushFolder(const std::string& folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

EntryKind entryKind(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return EntryKind::Missing;
    return kindOf(st.st_mode);
}

bool isSymbolicLink(const std::string& path) {
    struct stat st {};
    return !path.empty() && lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int getAttributes(const std::string& path, uint32_t& attributes) {
    struct stat st {};
    if (path.empty())
        return ENOENT;
    if (stat(path.c_str(), &st) != 0)
        return errno;
    uint32_t bits = 0;
    if (!(st.st_mode & S_IWUSR))
        bits |= kAttrReadOnly;
    if (S_ISDIR(st.st_mode))
        bits |= kAttrDirectory;
    const std::string trimmed = path.back() == kSeparator ? path.substr(0, path.size() - 1) : path;
    const size_t slash = trimmed.rfind(kSeparator);
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (name.size() > 1 && name[0] == '.' && name != "..")
        bits |= kAttrHidden;
    attributes = bits;
    return 0;
}

int makeWritable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno;
    if (st.st_mode & S_IWUSR)
        return 0;
    return chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0 ? 0 : errno;
}

int makeReadOnly(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno;
    return chmod(path.c_str(), (st.st_mode & 07777) & ~(S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? 0 : errno;
}

namespace {

/// Reads the next entry of dir into entry: 0 with entry null at the end of the folder.
int nextEntry(DIR* dir, const std::string& folder, size_t seen, FileFaults* faults, const dirent*& entry) {
    entry = nullptr;
    if (const int error = faults ? faults->beforeListing(folder, seen) : 0)
        return error;
    // readdir tells its end from a failure only through errno.
    errno = 0;
    entry = readdir(dir);
    return entry ? 0 : errno;
}

}  // namespace

int listDirectory(const std::string& folder, const std::function<bool(const DirEntry&)>& visit,
                  FileFaults* faults) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return errno;
    const int dirFd = dirfd(dir);
    size_t seen = 0;
    int error = 0;
    for (;;) {
        const dirent* entry = nullptr;
        error = nextEntry(dir, folder, seen, faults, entry);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        DirEntry item;
        item.name = name;
        item.isHidden = name[0] == '.';
        classify(dirFd, *entry, item);
        ++seen;
        if (!visit(item))
            break;
    }
    closedir(dir);
    return error;
}

int createAndDeleteTest(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    close(fd);
    unlink(path.c_str());
    return 0;
}

int removeFile(const std::string& path) {
    return unlink(path.c_str()) == 0 ? 0 : errno;
}

int makeFolders(const std::string& path) {
    std::string partial;
    int lastError = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if ((i == path.size() || path[i] == kSeparator) && !partial.empty() &&
            mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            lastError = errno;
        if (i < path.size())
            partial += path[i];
    }
    if (isDirectory(path))
        return 0;
    return lastError != 0 ? lastError : ENOTDIR;
}

int availableBytes(const std::string& folder, int64_t& bytes) {
    struct statvfs fs {};
    if (statvfs(folder.c_str(), &fs) != 0)
        return errno;
    bytes = static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
    return 0;
}

int openLogFile(const std::string& path, std::FILE*& file) {
    Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        return errno;
    struct stat st {};
    // A second link makes the log another file's name too: emptying it would empty that file.
    const bool regular = fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
    if (!regular || ftruncate(fd.get(), 0) != 0 || fcntl(fd.get(), F_SETFL, 0) != 0)
        return regular ? errno : (S_ISREG(st.st_mode) ? EMLINK : EINVAL);
    std::FILE* opened = fdopen(fd.get(), "wb");
    if (!opened)
        return errno;
    fd.release();
    file = opened;
    return 0;
}

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

std::string systemErrorText(int error) {
    return std::system_category().message(error);
}

bool isTerminal(int fd) {
    return isatty(fd) == 1;
}

}  // namespace kadrel::platform
