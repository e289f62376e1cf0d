#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "platform/copy_proof.h"
#include "platform/copy_temporary_win32.h"
#include "platform/file_copy.h"
#include "platform/file_io.h"

namespace kadrel::platform {

namespace {

// The block a copy reads, hashes and writes: it stays within the processor's second-level cache
// from the read to the write. Windows has no copy inside the kernel that shows the program a
// copy's progress slice by slice, so every copy passes through it.
constexpr size_t kBufferBytes = size_t{128} << 10;

HANDLE handleOf(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

/// Removes the temporary file on every path out, exceptions from callbacks included, unless
/// it took the target's name.
struct TemporaryGuard {
    std::string path;
    bool committed = false;
    ~TemporaryGuard() {
        if (!committed && !path.empty())
            removeNamedFile(path);
    }
};

bool isCancelled(const CopyOptions& options) {
    return options.cancel != nullptr && options.cancel->load() != 0;
}

/// One slice through the buffer; returns the bytes copied or -errno.
int64_t copySlice(HANDLE in, HANDLE out, int64_t offset, size_t length, std::vector<char>& buffer,
                  FileFaults* faults, DigestState* hash) {
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

/// Copies slice after slice up to the source's size at open, never past it; done tells how
/// far it got. Returns 0 or an error number.
int copyData(HANDLE in, HANDLE out, int64_t total, const CopyOptions& options, int64_t& done) {
    const size_t slice = options.sliceBytes ? options.sliceBytes : kDefaultSliceBytes;
    std::vector<char> buffer(kBufferBytes);
    std::optional<DigestState> hash;
    if (options.digest)
        hash.emplace();
    for (done = 0; done < total;) {
        if (isCancelled(options))
            return kCopyCancelled;
        if (const int e = options.faults ? options.faults->beforeSlice(done) : 0)
            return e;
        const size_t length = static_cast<size_t>(std::min<int64_t>(slice, total - done));
        const int64_t n = copySlice(in, out, done, length, buffer, options.faults, hash ? &*hash : nullptr);
        if (n < 0)
            return static_cast<int>(-n);
        if (n == 0)
            break;  // ended early: the caller tells why
        done += n;
        if (options.progress)
            options.progress(done, total);
    }
    if (hash)
        *options.digest = hash->digest();
    return isCancelled(options) ? kCopyCancelled : 0;
}

bool sameState(const FileId& a, const FileId& b) {
    return a.sameFile(b) && a.size == b.size && a.modified == b.modified;
}

/// A copy holds its source only when the source, open and by name, is still the file it was at
/// open with the size and modification time it had then, and every byte of that size came over.
int checkWhole(const std::string& source, HANDLE in, const FileId& atOpen, int64_t copied) {
    if (!sameState(atOpen, fileId(in)) || !sameState(atOpen, fileId(source)))
        return kSourceChanged;
    return copied == atOpen.size ? 0 : kCopyIncomplete;
}

/// Closes a handle of a copy; a close is where some file systems report write errors.
int closeCopy(Handle& h, const std::string& target, bool named, FileFaults* faults) {
    if (!h.valid())
        return 0;
    if (!CloseHandle(h.release()))
        return lastError();
    return faults ? faults->afterClose(target, named) : 0;
}

/// What CreateFileW says of a folder is "access denied"; callers are told it is a folder.
int folderOrError(const std::string& path, int e) {
    std::wstring wide;
    if (e != EACCES || !toWide(path, wide))
        return e;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : e;
}

int openSource(const std::string& source, const CopyOptions& options, Handle& in, bool& writable) {
    if (const int e = options.faults ? options.faults->beforeOpen(source) : 0)
        return e;
    // Reading the card must not change it, not even the source's last access time.
    const int e = openKeepingAccessTime(source, FILE_FLAG_SEQUENTIAL_SCAN, in);
    if (e != 0)
        return folderOrError(source, e);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(in.get(), &info))
        return lastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return EISDIR;
    if (GetFileType(in.get()) != FILE_TYPE_DISK)
        return EINVAL;  // a device or a pipe under a clip's name
    writable = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    return 0;
}

/// Reserves the copy's space at once: its clusters lie together, and a full disk says so now.
void reserveSpace(HANDLE out, int64_t size) {
    FILE_ALLOCATION_INFO reserve{};
    reserve.AllocationSize.QuadPart = size;
    SetFileInformationByHandle(out, FileAllocationInfo, &reserve, sizeof reserve);
}

}  // namespace

void StagedCopy::discard() {
    if (temporary_.empty())
        return;
    removeNamedFile(temporary_);  // while still locked, so no clean-up of another run races it
    temporary_.clear();
    Handle lock(handleOf(std::exchange(lock_, -1)));
}

int StagedCopy::release() {
    Handle lock(handleOf(std::exchange(lock_, -1)));
    return closeCopy(lock, target_, true, faults_);
}

int StagedCopy::commit(const std::string& target, bool replace) {
    if (temporary_.empty())
        return ENOENT;
    const HANDLE lock = handleOf(lock_);
    // Under its name the copy is an ordinary file, no longer hidden, and read-only when its
    // source was, as the system's own copy carries that attribute over.
    const DWORD readOnly = sourceWritable_ ? 0 : FILE_ATTRIBUTE_READONLY;
    if (const int e = changeAttributes(lock, readOnly, FILE_ATTRIBUTE_HIDDEN))
        return e;
    ids_.copy = fileId(lock);
    // The data, the scan's bytes, the times and the attributes reach the disk before the name does.
    int e = faults_ ? faults_->beforeFlush(target) : 0;
    if (e == 0 && !FlushFileBuffers(lock))
        e = lastError();
    if (e == 0)
        e = renameInto(temporary_, target, replace);
    if (e != 0) {
        changeAttributes(lock, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_READONLY);  // staged as it was
        return e;
    }
    temporary_.clear();
    target_ = target;
    if (faults_)
        faults_->afterCommit(target);
    return 0;
}

int stageCopy(const std::string& source, const std::string& target, const CopyOptions& options,
              StagedCopy& staged) {
    staged.discard();
    Handle in;
    bool writable = true;
    if (const int e = openSource(source, options, in, writable))
        return e;
    const FileId atOpen = fileId(in.get());
    Handle out, lock;
    TemporaryGuard temp;  // removes a failed copy's file while it is still locked
    if (const int e = createLockedTemporary(target, options.faults, out, lock, temp.path))
        return e;
    reserveSpace(out.get(), atOpen.size);
    int64_t copied = 0;
    int e = copyData(in.get(), out.get(), atOpen.size, options, copied);
    if (e == 0)
        e = checkWhole(source, in.get(), atOpen, copied);
    if (const int c = closeCopy(out, target, false, options.faults); e == 0)
        e = c;
    if (e != 0)
        return e;
    staged.temporary_ = temp.path;
    temp.committed = true;  // the staged copy owns the file now
    staged.target_ = target;
    staged.lock_ = reinterpret_cast<intptr_t>(lock.release());
    staged.ids_ = {atOpen, {}};
    staged.sourceWritable_ = writable;
    staged.faults_ = options.faults;
    return 0;
}

}  // namespace kadrel::platform
