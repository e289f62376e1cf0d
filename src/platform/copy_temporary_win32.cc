#include "platform/copy_temporary_win32.h"

#include <atomic>
#include <cerrno>
#include <vector>

#include "platform/file_copy.h"
#include "platform/temporary_name.h"

namespace kadrel::platform {

namespace {

// The byte a lock covers lies far past the end of any file: a lock on Windows also keeps every
// other handle from reading and writing the bytes it covers, and a staged copy is scanned,
// hashed and given its times through handles of their own while its lock is held.
constexpr DWORD kLockOffsetHigh = 0x40000000;

int moveOnce(const std::wstring& from, const std::wstring& to, bool replace) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(from.c_str(), to.c_str(), flags) ? 0 : lastError();
}

/// Opens a second handle of the temporary file just created under name and locks it for the
/// life of its copy. The writing handle is closed once the copy is complete, before the file
/// gets its times: the system may stamp the write time as a handle that wrote closes. Returns 0,
/// also where the file system refuses locks (the copy works, only no run may take such a file
/// for stale), or EAGAIN when another run's clean-up holds the file or took the name away.
int lockTemporary(const std::string& name, const Handle& out, Handle& lock, FileFaults* faults) {
    // Between the create and this open a clean-up may have removed the new file.
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    const int opened = openHandle(name, access, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, lock);
    if (opened != 0 || !fileId(out.get()).sameFile(fileId(lock.get())))
        return EAGAIN;
    int e = faults ? faults->lockTemporary() : 0;
    if (e == 0)
        e = lockHandle(lock.get(), false);
    return e == EWOULDBLOCK ? EAGAIN : 0;
}

/// Removes the file an open handle with DELETE access stands for, whatever its name is now and
/// also when it is read-only; it goes when the last handle of it closes.
int removeOpenFile(HANDLE h) {
    if (const int e = changeAttributes(h, 0, FILE_ATTRIBUTE_READONLY))
        return e;
    FILE_DISPOSITION_INFO gone{TRUE};
    return SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone) ? 0 : lastError();
}

/// Opens and locks the temporary file path if no process holds it. Only a lock this call holds
/// tells that no run writes the file (a run keeps its lock until the copy has its name); where
/// the file system refuses locks, no file is ever stale. False when it is not stale.
bool takeStale(const std::string& path, Handle& lock) {
    if (openHandle(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES | DELETE, OPEN_EXISTING,
                   FILE_FLAG_OPEN_REPARSE_POINT, lock) != 0)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(lock.get(), &info) || GetFileType(lock.get()) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    return lockHandle(lock.get(), false) == 0;
}

}  // namespace

int lockHandle(HANDLE h, bool wait) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return LockFileEx(h, flags, 0, 1, 0, &at) ? 0 : lastError();
}

int changeAttributes(HANDLE h, DWORD set, DWORD clear) {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info))
        return lastError();
    const DWORD wanted = (info.FileAttributes | set) & ~clear;
    if (wanted == info.FileAttributes)
        return 0;
    FILE_BASIC_INFO change{};  // times of zero are left as they are
    change.FileAttributes = wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(h, FileBasicInfo, &change, sizeof change) ? 0 : lastError();
}

int removeNamedFile(const std::string& path) {
    Handle h;
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
    if (const int e = openHandle(path, access, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, h))
        return e;
    return removeOpenFile(h.get());
}

int renameInto(const std::string& from, const std::string& to, bool replace) {
    std::wstring f, t;
    if (!toWide(from, f) || !toWide(to, t))
        return EINVAL;
    int e = moveOnce(f, t, replace);
    if (e != EACCES || !replace)
        return e;
    // Windows refuses to replace a read-only file; a rename on POSIX replaces it, and so does this.
    const DWORD attributes = GetFileAttributesW(t.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !SetFileAttributesW(t.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return e;
    e = moveOnce(f, t, true);
    if (e != 0)
        SetFileAttributesW(t.c_str(), attributes);
    return e;
}

int createLockedTemporary(const std::string& target, FileFaults* faults, Handle& out, Handle& lock,
                          std::string& tempPath) {
    static std::atomic<unsigned> counter = 0;
    int e = EEXIST;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName(folderOf(target), GetCurrentProcessId(), ++counter);
        e = openHandle(name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, out);
        // A name whose file another run's clean-up is removing cannot be made again until it is gone.
        if (e == EEXIST || e == EACCES)
            continue;
        if (e != 0)
            return e;
        tempPath = name;  // only a file this call created is ever removed again
        e = lockTemporary(name, out, lock, faults);
        if (e != EAGAIN)
            return e;
        tempPath.clear();  // the clean-up that holds it removes it; a name taken away is not ours
    }
    return e == EACCES ? EACCES : EEXIST;
}

std::vector<std::string> removeStaleTemporaries(const std::string& folder) {
    std::vector<std::string> removed;
    const bool ends = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    const std::string prefix = ends ? folder : folder + '\\';
    std::wstring pattern;
    WIN32_FIND_DATAW found;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (toWide(prefix + "*", pattern))
        search =
            FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return removed;
    do {
        std::string name;
        Handle lock;
        if (fromWide(found.cFileName, name) && isTemporaryName(name) && takeStale(prefix + name, lock) &&
            removeOpenFile(lock.get()) == 0)
            removed.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return removed;
}

}  // namespace kadrel::platform
