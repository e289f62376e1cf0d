#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/copy_proof.h"
#include "platform/posix_file.h"

namespace kadrel::platform {

namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;

/// Reads back a file from the disk, not from the page cache: flushed, then its pages dropped.
int openUncached(const std::string& path, Fd& fd, struct stat& st) {
    fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return errno ? errno : EIO;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (::fsync(fd.get()) != 0)
        return errno;
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    return 0;
}

/// Compares two open files of equal size, skipping the offsets in changed (sorted).
CopyProof compareContents(int a, int b, int64_t size, const std::vector<int64_t>& changed) {
    std::vector<char> x(kBufferBytes), y(kBufferBytes);
    auto next = changed.begin();
    for (int64_t at = 0; at < size;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(kBufferBytes, size - at));
        if (readExactly(a, x.data(), n, at) != 0 || readExactly(b, y.data(), n, at) != 0)
            return CopyProof::Unreadable;
        for (; next != changed.end() && *next < at + static_cast<int64_t>(n); ++next)
            if (*next >= at)
                y[static_cast<size_t>(*next - at)] = x[static_cast<size_t>(*next - at)];
        if (std::memcmp(x.data(), y.data(), n) != 0)
            return CopyProof::Differs;
        at += static_cast<int64_t>(n);
    }
    return CopyProof::Proven;
}

/// Hashes size bytes of an open file, the bytes in changed replaced by their originals.
int digestContents(int fd, int64_t size, const ChangedBytes& changed, Digest& digest) {
    std::vector<char> x(kBufferBytes);
    DigestState hash;
    size_t next = 0;
    for (int64_t at = 0; at < size;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(kBufferBytes, size - at));
        if (const int e = readExactly(fd, x.data(), n, at))
            return e;
        for (; next < changed.offsets.size() && changed.offsets[next] < at + static_cast<int64_t>(n); ++next)
            if (changed.offsets[next] >= at)
                x[static_cast<size_t>(changed.offsets[next] - at)] =
                    static_cast<char>(changed.original[next]);
        hash.update(x.data(), n);
        at += static_cast<int64_t>(n);
    }
    digest = hash.digest();
    return 0;
}

}  // namespace

int flushFile(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

CopyProof proveCopy(const std::string& source, const FileId& sourceId, const std::string& copy,
                    const FileId& copyId, const std::vector<int64_t>& changed) {
    Fd a, b;
    struct stat sa {
    }, sb{};
    a.reset(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (a.get() < 0 || ::fstat(a.get(), &sa) != 0 || !fileId(sa).sameFile(sourceId) ||
        sa.st_size != sourceId.size)
        return CopyProof::SourceChanged;
    errno = 0;
    if (openUncached(copy, b, sb) != 0)
        return CopyProof::Unreadable;
    if (!fileId(sb).sameFile(copyId) || sb.st_size != copyId.size)
        return CopyProof::CopyChanged;
    if (sa.st_size != sb.st_size)
        return CopyProof::Differs;
    return compareContents(a.get(), b.get(), sa.st_size, changed);
}

CopyProof proveCopyByDigest(const std::string& source, const FileId& sourceId, const std::string& copy,
                            const FileId& copyId, const Digest& read, const ChangedBytes& changed) {
    struct stat sa {
    }, sb{};
    if (::stat(source.c_str(), &sa) != 0 || !fileId(sa).sameFile(sourceId) || sa.st_size != sourceId.size ||
        fileId(sa).modified != sourceId.modified)
        return CopyProof::SourceChanged;
    Fd b;
    errno = 0;
    if (openUncached(copy, b, sb) != 0)
        return CopyProof::Unreadable;
    if (!fileId(sb).sameFile(copyId) || sb.st_size != copyId.size)
        return CopyProof::CopyChanged;
    if (changed.original.size() != changed.offsets.size())
        return CopyProof::Unreadable;
    Digest back;
    if (digestContents(b.get(), sb.st_size, changed, back) != 0)
        return CopyProof::Unreadable;
    return back == read ? CopyProof::Proven : CopyProof::Differs;
}

int digestOfFile(const std::string& path, Digest& digest) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return errno;
    errno = 0;
    return digestContents(fd.get(), st.st_size, {}, digest);
}

}  // namespace kadrel::platform
