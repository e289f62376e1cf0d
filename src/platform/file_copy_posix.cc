#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/copy_proof.h"
#include "platform/copy_temporary.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

// The block a buffered copy reads, hashes and writes. It stays within the processor's
// second-level cache from the read to the write, and its writes are small: measured on a
// virtual machine, copying a cached source through 1 MiB blocks took two to five times the
// processor time of the kernel's copy, most of it filling the copy's fresh page-cache pages from
// the block; through 128 KiB blocks the read, the hash and the write together take about 1.5
// times.
constexpr size_t kBufferBytes = size_t{128} << 10;

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

/// One slice through the kernel; returns the bytes copied or -errno.
int64_t kernelSlice(int in, int out, int64_t offset, size_t length, FileFaults* faults) {
    size_t done = 0;
    while (done < length) {
        loff_t offIn = offset + static_cast<int64_t>(done);
        loff_t offOut = offIn;
        if (faults && faults->endsAt(offIn, true))
            break;
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
int64_t bufferedSlice(int in, int out, int64_t offset, size_t length, std::vector<char>& buffer,
                      FileFaults* faults, DigestState* hash) {
    buffer.resize(kBufferBytes);
    size_t done = 0;
    while (done < length) {
        const int64_t at = offset + static_cast<int64_t>(done);
        if (faults && faults->endsAt(at, false))
            break;
        size_t n = 0;
        if (const int e = readFully(in, buffer.data(), std::min(buffer.size(), length - done), at, n))
            return -e;
        if (n == 0)
            break;
        if (hash)
            hash->update(buffer.data(), n);
        if (const int e = writeAll(out, {buffer.data(), n}, at))
            return -e;
        done += n;
    }
    return static_cast<int64_t>(done);
}

bool kernelCopyUnsupported(int64_t result) {
    const int64_t e = -result;
    return e == EXDEV || e == ENOSYS || e == EOPNOTSUPP || e == EINVAL || e == EBADF;
}

/// Copies slice after slice up to the source's size at open, never past it; done tells how
/// far it got. Returns 0 or an error number.
int copyData(int in, int out, int64_t total, const CopyOptions& options, int64_t& done) {
    const size_t slice = options.sliceBytes ? options.sliceBytes : kDefaultSliceBytes;
    std::vector<char> buffer;
    // The kernel's copy never shows the bytes to the program; a digest needs them in memory.
    std::optional<DigestState> hash;
    if (options.digest)
        hash.emplace();
    bool useKernel = !hash;
    for (done = 0; done < total;) {
        if (isCancelled(options))
            return kCopyCancelled;
        if (options.faults) {
            if (const int e = options.faults->beforeSlice(done))
                return e;
            if (options.faults->kernelCopy() != 0)
                useKernel = false;
        }
        const size_t length = static_cast<size_t>(std::min<int64_t>(slice, total - done));
        int64_t n = useKernel ? kernelSlice(in, out, done, length, options.faults) : -EXDEV;
        // Some file systems' kernel copy reports 0 bytes, at the start or part way, before the
        // end of the source: the buffered copy goes on from there.
        if (kernelCopyUnsupported(n) || n == 0) {
            useKernel = false;
            n = bufferedSlice(in, out, done, length, buffer, options.faults, hash ? &*hash : nullptr);
        }
        if (n < 0)
            return static_cast<int>(-n);
        if (n == 0)
            break;  // ended early: the caller tells why
        // Start writing the slice to the disk now, so that the flush before the commit finds
        // little left to wait for.
        ::sync_file_range(out, done, n, SYNC_FILE_RANGE_WRITE);
        done += n;
        if (options.progress)
            options.progress(done, total);
    }
    if (hash)
        *options.digest = hash->digest();
    return isCancelled(options) ? kCopyCancelled : 0;
}

bool sameState(const struct stat& a, const struct stat& b) {
    return sameInode(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

/// A copy holds its source only when the source, open and by name, is still the file it was at
/// open with the size and modification time it had then, and every byte of that size came over.
int checkWhole(const std::string& source, int in, const struct stat& atOpen, int64_t copied) {
    struct stat now {};
    struct stat named {};
    if (::fstat(in, &now) != 0 || ::stat(source.c_str(), &named) != 0 || !sameState(atOpen, now) ||
        !sameState(atOpen, named))
        return kSourceChanged;
    return copied == atOpen.st_size ? 0 : kCopyIncomplete;
}

/// Closes a descriptor of a copy; close() is where some file systems report write errors.
int closeCopy(Fd& fd, const std::string& target, bool named, FileFaults* faults) {
    if (fd.get() < 0)
        return 0;
    if (::close(fd.release()) != 0)
        return errno;
    return faults ? faults->afterClose(target, named) : 0;
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

void StagedCopy::discard() {
    if (temporary_.empty())
        return;
    ::unlink(temporary_.c_str());  // while still locked, so no clean-up of another run races it
    temporary_.clear();
    Fd lock(static_cast<int>(std::exchange(lock_, -1)));
}

int StagedCopy::release() {
    Fd lock(static_cast<int>(std::exchange(lock_, -1)));
    return closeCopy(lock, target_, true, faults_);
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
    ids_.copy = fileId(st);
    // The data, the scan's bytes, the times and the mode reach the disk before the name does.
    if (const int e = faults_ ? faults_->beforeFlush(target) : 0)
        return e;
    if (::fsync(static_cast<int>(lock_)) != 0)
        return errno;
    if (const int e = renameInto(temporary_, target, replace))
        return e;
    temporary_.clear();
    target_ = target;
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
    Fd out, lock;
    TemporaryGuard temp;  // removes a failed copy's file while it is still locked
    if (const int e = createLockedTemporary(target, options.faults, out, lock, temp.path))
        return e;
    int64_t copied = 0;
    int e = copyData(in.get(), out.get(), st.st_size, options, copied);
    if (e == 0)
        e = checkWhole(source, in.get(), st, copied);
    if (const int c = closeCopy(out, target, false, options.faults); e == 0)
        e = c;
    if (e != 0)
        return e;
    staged.temporary_ = temp.path;
    temp.committed = true;  // the staged copy owns the file now
    staged.target_ = target;
    staged.lock_ = lock.release();
    staged.ids_ = {fileId(st), {}};
    staged.sourceWritable_ = (st.st_mode & S_IWUSR) != 0;
    staged.faults_ = options.faults;
    return 0;
}

}  // namespace kadrel::platform
