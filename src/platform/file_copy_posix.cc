#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/copy_proof.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;

/// Removes the temporary file on every path out, exceptions from callbacks included, unless
/// it took the target's name.
struct TemporaryGuard {
    std::string path;
    bool committed = false;
    ~TemporaryGuard() {
        if (!committed && !path.empty())
            ::unlink(path.c_str());
    }
};

bool isCancelled(const CopyOptions& options) {
    return options.cancel != nullptr && options.cancel->load() != 0;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

constexpr char kTempPrefix[] = ".kadrel-";
constexpr char kTempSuffix[] = ".part";

/// The process id in a temporary copy's name ".kadrel-PID-N.part", or 0 for any other name.
long temporaryOwner(const std::string& name) {
    const std::string prefix = kTempPrefix, suffix = kTempSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const size_t dash = middle.find('-');
    const auto digits = [](const std::string& t) {
        return !t.empty() && t.size() < 10 && t.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1)))
        return 0;
    return std::stol(middle.substr(0, dash));
}

/// Creates a hidden file beside the target that no search for clips will pick up.
int createTemporary(const std::string& target, Fd& out, std::string& tempPath) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folderOf(target) + kTempPrefix + std::to_string(::getpid()) + "-" +
                                 std::to_string(++counter) + kTempSuffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            out.reset(fd);
            tempPath = name;  // only a file this call created is ever removed again
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

/// One slice through the kernel; returns the bytes copied or -errno.
int64_t kernelSlice(int in, int out, int64_t offset, size_t length) {
    size_t done = 0;
    while (done < length) {
        loff_t offIn = offset + static_cast<int64_t>(done);
        loff_t offOut = offIn;
        const ssize_t n = ::copy_file_range(in, &offIn, out, &offOut, length - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<int64_t>(done) : -errno;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

/// One slice through a buffer, for file systems the kernel copy does not serve.
int64_t bufferedSlice(int in, int out, int64_t offset, size_t length, std::vector<char>& buffer) {
    buffer.resize(kBufferBytes);
    size_t done = 0;
    while (done < length) {
        const size_t want = std::min(buffer.size(), length - done);
        const ssize_t n = ::pread(in, buffer.data(), want, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -errno;
        if (n == 0)
            break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::pwrite(out, buffer.data() + written, static_cast<size_t>(n - written),
                                       offset + static_cast<int64_t>(done) + written);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return -errno;
            written += w;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool kernelCopyUnsupported(int64_t result) {
    const int64_t e = -result;
    return e == EXDEV || e == ENOSYS || e == EOPNOTSUPP || e == EINVAL || e == EBADF;
}

/// Copies slice after slice until the source ends. Returns 0 or an error number.
int copyData(int in, int out, int64_t total, const CopyOptions& options) {
    const size_t slice = options.sliceBytes ? options.sliceBytes : kDefaultSliceBytes;
    std::vector<char> buffer;
    bool useKernel = true;
    for (int64_t done = 0;;) {
        if (isCancelled(options))
            return kCopyCancelled;
        if (options.faults) {
            if (const int e = options.faults->beforeSlice(done))
                return e;
            if (const int e = options.faults->kernelCopy())
                useKernel = false;
        }
        int64_t n = useKernel ? kernelSlice(in, out, done, slice) : -EXDEV;
        // Some file systems report 0 bytes for a kernel copy of a non-empty file.
        if (kernelCopyUnsupported(n) || (useKernel && n == 0 && done == 0 && total > 0)) {
            useKernel = false;
            n = bufferedSlice(in, out, done, slice, buffer);
        }
        if (n < 0)
            return static_cast<int>(-n);
        if (n == 0)
            break;
        done += n;
        if (options.progress)
            options.progress(done, total);
    }
    return isCancelled(options) ? kCopyCancelled : 0;
}

/// Gives the finished file the target's name without ever clobbering a file unless asked.
int renameInto(const std::string& from, const std::string& to, bool replace) {
    if (replace)
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    if (::link(from.c_str(), to.c_str()) == 0)
        return ::unlink(from.c_str()) == 0 ? 0 : errno;
    if (errno == EEXIST)
        return EEXIST;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int openSource(const std::string& source, const CopyOptions& options, Fd& in, struct stat& st) {
    if (options.faults)
        if (const int e = options.faults->beforeOpen(source))
            return e;
    // Reading the card must not change it, not even the source's last access time; only the
    // owner may ask for that, so others read the ordinary way. O_NONBLOCK: a FIFO that took a
    // clip's name since the search must not hang the run.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    in.reset(::open(source.c_str(), flags | O_NOATIME));
    if (in.get() < 0 && errno == EPERM)
        in.reset(::open(source.c_str(), flags));
    if (in.get() < 0)
        return errno;
    if (::fstat(in.get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return 0;
}

}  // namespace

StagedCopy::~StagedCopy() {
    discard();
}

StagedCopy& StagedCopy::operator=(StagedCopy&& other) noexcept {
    if (this != &other) {
        discard();
        temporary_ = std::exchange(other.temporary_, std::string());
        ids_ = other.ids_;
        sourceWritable_ = other.sourceWritable_;
        faults_ = other.faults_;
    }
    return *this;
}

void StagedCopy::discard() {
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

int StagedCopy::commit(const std::string& target, bool replace) {
    if (temporary_.empty())
        return ENOENT;
    struct stat st {};
    if (::lstat(temporary_.c_str(), &st) != 0)
        return errno;
    // A read-only source gives a read-only copy, as the system copy carries the attribute over.
    if (!sourceWritable_ && ::chmod(temporary_.c_str(), st.st_mode & 07555) != 0)
        return errno;
    ids_.copy = idOf(st);
    if (faults_)
        if (const int e = faults_->beforeCommit(target))
            return e;
    if (const int e = renameInto(temporary_, target, replace))
        return e;
    temporary_.clear();
    if (faults_)
        faults_->afterCommit(target);
    return 0;
}

int stageCopy(const std::string& source, const std::string& target, const CopyOptions& options,
              StagedCopy& staged) {
    staged.discard();
    Fd in;
    struct stat st {};
    if (const int e = openSource(source, options, in, st))
        return e;
    TemporaryGuard temp;
    Fd out;
    if (const int e = createTemporary(target, out, temp.path))
        return e;
    // The copy is not flushed here: that would make every run wait for the disk, and no
    // source is ever removed before its copy is proven (moveFile below, the delete offer).
    int e = copyData(in.get(), out.get(), st.st_size, options);
    if (::close(out.release()) != 0 && e == 0)
        e = errno;
    if (e != 0)
        return e;
    staged.temporary_ = temp.path;
    temp.committed = true;  // the staged copy owns the file now
    staged.ids_ = {idOf(st), {}};
    staged.sourceWritable_ = (st.st_mode & S_IWUSR) != 0;
    staged.faults_ = options.faults;
    return 0;
}

int copyFile(const std::string& source, const std::string& target, const CopyOptions& options) {
    StagedCopy staged;
    if (const int e = stageCopy(source, target, options, staged))
        return e;
    return staged.commit(target, options.replaceExisting);
}

int moveFile(const std::string& source, const std::string& target, const CopyOptions& options) {
    if (options.faults)
        if (const int e = options.faults->beforeOpen(source))
            return e;
    int e = options.faults ? options.faults->beforeRename(source, target) : 0;
    if (e == 0)
        e = renameInto(source, target, options.replaceExisting);
    if (e != EXDEV)
        return e;
    FileTimes times;
    const bool haveTimes = getFileTimes(source, times);
    if (const int c = copyFile(source, target, options))
        return c;
    if (haveTimes)
        setFileTimes(target, times);
    if (const int f = flushFile(target))
        return f;
    return ::unlink(source.c_str()) == 0 ? 0 : errno;
}

std::vector<std::string> removeStaleTemporaries(const std::string& folder) {
    std::vector<std::string> removed;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return removed;
    while (const dirent* entry = ::readdir(dir)) {
        const long pid = temporaryOwner(entry->d_name);
        // kill(pid, 0) fails with ESRCH only when no such process exists.
        if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            removed.push_back(entry->d_name);
    }
    ::closedir(dir);
    return removed;
}

}  // namespace kadrel::platform
