#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/copy_proof.h"
#include "platform/copy_temporary_win32.h"

namespace kadrel::platform {

namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;
// A read past the cache moves whole sectors into memory aligned to them; 4096 bytes is a whole
// number of sectors on the disks and cards of both sector sizes.
constexpr size_t kSector = 4096;

/// A buffer aligned for reads past the cache.
class SectorBuffer {
  public:
    SectorBuffer() : data_(static_cast<char*>(::operator new (kBufferBytes, std::align_val_t{kSector}))) {}
    ~SectorBuffer() { ::operator delete (data_, std::align_val_t{kSector}); }
    SectorBuffer(const SectorBuffer&) = delete;
    SectorBuffer& operator=(const SectorBuffer&) = delete;
    char* data() const { return data_; }

  private:
    char* data_;
};

/// Opens a file so that it can be flushed: the system flushes only through a handle that may
/// write, and opens none of a read-only file, so the attribute is lifted for the open and put
/// back through the new handle.
int openFlushable(const std::string& path, Handle& h) {
    int e = openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, 0, h);
    std::wstring wide;
    if (e != EACCES || !toWide(path, wide))
        return e;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return e;
    e = openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, 0, h);
    if (e == 0)
        return changeAttributes(h.get(), FILE_ATTRIBUTE_READONLY, 0);
    SetFileAttributesW(wide.c_str(), attributes);
    return e;
}

/// Opens a copy for reading back from the disk, not from the cache: flushed, then read through a
/// handle that bypasses the cache. id tells the file that handle reads (none when the file under
/// the name changed between the two opens).
int openUncached(const std::string& path, Handle& h, FileId& id) {
    Handle flushed;
    if (const int e = openFlushable(path, flushed))
        return e;
    if (!FlushFileBuffers(flushed.get()))
        return lastError();
    const DWORD flags = FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT;
    if (const int e = openHandle(path, GENERIC_READ, OPEN_EXISTING, flags, h))
        return e;
    if (GetFileType(h.get()) != FILE_TYPE_DISK)
        return EINVAL;
    id = fileId(h.get());
    if (!id.sameFile(fileId(flushed.get())))
        id = {};
    return 0;
}

/// Reads exactly size bytes at offset through a handle of either kind: past the cache, whole
/// sectors at sector offsets are asked for and the file's end arrives as a short read. Returns
/// 0, an error number, or EIO when the file ends first.
int readExactly(HANDLE h, char* buffer, size_t size, int64_t offset) {
    const size_t asked = (size + kSector - 1) / kSector * kSector;
    size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        const uint64_t where = static_cast<uint64_t>(offset) + done;
        at.Offset = static_cast<DWORD>(where);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        DWORD n = 0;
        if (!ReadFile(h, buffer + done, static_cast<DWORD>(asked - done), &n, &at))
            return GetLastError() == ERROR_HANDLE_EOF ? EIO : lastError();
        done += n;
        if (n == 0 || (n % kSector != 0 && done < size))
            return EIO;
    }
    return 0;
}

/// Compares two open files of equal size, skipping the offsets in changed (sorted).
CopyProof compareContents(HANDLE a, HANDLE b, int64_t size, const std::vector<int64_t>& changed) {
    SectorBuffer x, y;
    auto next = changed.begin();
    for (int64_t at = 0; at < size;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(kBufferBytes, size - at));
        if (readExactly(a, x.data(), n, at) != 0 || readExactly(b, y.data(), n, at) != 0)
            return CopyProof::Unreadable;
        for (; next != changed.end() && *next < at + static_cast<int64_t>(n); ++next)
            if (*next >= at)
                y.data()[*next - at] = x.data()[*next - at];
        if (std::memcmp(x.data(), y.data(), n) != 0)
            return CopyProof::Differs;
        at += static_cast<int64_t>(n);
    }
    return CopyProof::Proven;
}

/// Hashes size bytes of an open file, the bytes in changed replaced by their originals.
int digestContents(HANDLE h, int64_t size, const ChangedBytes& changed, Digest& digest) {
    SectorBuffer x;
    DigestState hash;
    size_t next = 0;
    for (int64_t at = 0; at < size;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(kBufferBytes, size - at));
        if (const int e = readExactly(h, x.data(), n, at))
            return e;
        for (; next < changed.offsets.size() && changed.offsets[next] < at + static_cast<int64_t>(n); ++next)
            if (changed.offsets[next] >= at)
                x.data()[changed.offsets[next] - at] = static_cast<char>(changed.original[next]);
        hash.update(x.data(), n);
        at += static_cast<int64_t>(n);
    }
    digest = hash.digest();
    return 0;
}

}  // namespace

int flushFile(const std::string& path) {
    Handle h;
    if (const int e = openFlushable(path, h))
        return e;
    return FlushFileBuffers(h.get()) ? 0 : lastError();
}

CopyProof proveCopy(const std::string& source, const FileId& sourceId, const std::string& copy,
                    const FileId& copyId, const std::vector<int64_t>& changed) {
    Handle a, b;
    if (openKeepingAccessTime(source, FILE_FLAG_SEQUENTIAL_SCAN, a) != 0)
        return CopyProof::SourceChanged;
    const FileId sa = fileId(a.get());
    if (!sa.sameFile(sourceId) || sa.size != sourceId.size)
        return CopyProof::SourceChanged;
    FileId sb;
    if (openUncached(copy, b, sb) != 0)
        return CopyProof::Unreadable;
    if (!sb.sameFile(copyId) || sb.size != copyId.size)
        return CopyProof::CopyChanged;
    if (sa.size != sb.size)
        return CopyProof::Differs;
    return compareContents(a.get(), b.get(), sa.size, changed);
}

CopyProof proveCopyByDigest(const std::string& source, const FileId& sourceId, const std::string& copy,
                            const FileId& copyId, const Digest& read, const ChangedBytes& changed) {
    const FileId sa = fileId(source);
    if (!sa.sameFile(sourceId) || sa.size != sourceId.size || sa.modified != sourceId.modified)
        return CopyProof::SourceChanged;
    Handle b;
    FileId sb;
    if (openUncached(copy, b, sb) != 0)
        return CopyProof::Unreadable;
    if (!sb.sameFile(copyId) || sb.size != copyId.size)
        return CopyProof::CopyChanged;
    if (changed.original.size() != changed.offsets.size())
        return CopyProof::Unreadable;
    Digest back;
    if (digestContents(b.get(), sb.size, changed, back) != 0)
        return CopyProof::Unreadable;
    return back == read ? CopyProof::Proven : CopyProof::Differs;
}

int digestOfFile(const std::string& path, Digest& digest) {
    Handle h;
    if (const int e = openHandle(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, h))
        return e;
    if (GetFileType(h.get()) != FILE_TYPE_DISK)
        return EINVAL;
    return digestContents(h.get(), fileId(h.get()).size, {}, digest);
}

}  // namespace kadrel::platform
