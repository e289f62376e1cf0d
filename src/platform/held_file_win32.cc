#include <cerrno>

#include "platform/copy_temporary_win32.h"
#include "platform/held_file.h"

namespace kadrel::platform {

namespace {

/// More than any journal of a clip can hold: a file this long is none.
constexpr int64_t kLargest = int64_t{64} << 20;

HANDLE handleOf(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

/// An exclusive lock without waiting. A file system that keeps no locks cannot tell a live
/// writer from a dead one; the file is then taken as left behind.
int lockNow(HANDLE h) {
    return lockHandle(h, false) == EWOULDBLOCK ? EWOULDBLOCK : 0;
}

int readAll(HANDLE h, std::string& bytes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return lastError();
    const FileId id = fileId(h);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileType(h) != FILE_TYPE_DISK ||
        id.size > kLargest)
        return EINVAL;
    bytes.assign(static_cast<size_t>(id.size), '\0');
    size_t done = 0;
    if (const int e = readFully(h, bytes.data(), bytes.size(), 0, done))
        return e;
    return done == bytes.size() ? 0 : EIO;
}

/// Opens path and takes its lock without waiting. Returns 0 or an error number.
int openLocked(const std::string& path, Handle& h) {
    if (const int e = openHandle(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, h))
        return e;
    return lockNow(h.get());
}

/// Writes bytes to a new hidden file, locked, and flushes it. Returns 0 or an error number.
int writeLocked(const std::string& temporary, const std::string& bytes, Handle& h) {
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    if (const int e = openHandle(temporary, access, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, h))
        return e;
    if (const int e = lockNow(h.get()))
        return e;
    if (const int e = writeAll(h.get(), bytes, 0))
        return e;
    return FlushFileBuffers(h.get()) ? 0 : lastError();
}

}  // namespace

HeldFile::~HeldFile() {
    release();
}

int HeldFile::write(const std::string& temporary, const std::string& path, const std::string& bytes,
                    bool replace, FileFaults* faults) {
    if (const int e = faults ? faults->beforeJournalWrite(temporary) : 0)
        return e;
    Handle h;
    int e = writeLocked(temporary, bytes, h);
    if (e == 0 && faults)
        e = faults->beforeRename(temporary, path);
    if (e == 0)
        e = renameInto(temporary, path, replace);
    // A file open elsewhere cannot be renamed over on Windows, not even one held open here: the
    // file held before is let go for the rename and held again when the rename fails. Between the
    // two another run may take the old file; the rename then fails and this run gives up the
    // file the journal is for.
    if (e == EACCES && replace && held() && path == path_) {
        release();
        e = renameInto(temporary, path, replace);
        Handle again;
        if (e != 0 && openLocked(path, again) == 0) {
            fd_ = reinterpret_cast<intptr_t>(again.release());
            path_ = path;
        }
    }
    if (e != 0) {
        if (h.valid())
            removeNamedFile(temporary);
        return e;
    }
    release();
    fd_ = reinterpret_cast<intptr_t>(h.release());
    path_ = path;
    return flushFolder(folderOf(path));
}

int HeldFile::take(const std::string& path, std::string& bytes) {
    release();
    Handle h;
    if (const int e = openLocked(path, h))
        return e;
    if (const int e = readAll(h.get(), bytes))
        return e;
    fd_ = reinterpret_cast<intptr_t>(h.release());
    path_ = path;
    return 0;
}

int HeldFile::remove(FileFaults* faults) {
    if (!held())
        return ENOENT;
    if (const int e = faults ? faults->beforeJournalWrite(path_) : 0)
        return e;
    // The handle that holds the lock has no DELETE access: other programs may still open the
    // file without sharing deletion. The file goes once that handle is closed.
    if (const int e = removeNamedFile(path_))
        return e;
    const std::string folder = folderOf(path_);
    release();
    return flushFolder(folder);
}

void HeldFile::release() {
    if (fd_ != -1)
        CloseHandle(handleOf(fd_));
    fd_ = -1;
    path_.clear();
}

}  // namespace kadrel::platform
