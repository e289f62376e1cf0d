#include <cerrno>

#include "platform/copy_temporary_win32.h"
#include "platform/locked_rewrite.h"

namespace kadrel::platform {

namespace {

bool isFolder(const std::string& path) {
    std::wstring wide;
    if (!toWide(path, wide))
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

/// Reads all of path; a missing file reads as empty.
int readOld(const std::string& path, std::string& text) {
    Handle h;
    const int e = openHandle(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, h);
    if (e == ENOENT)
        return 0;
    if (e == EACCES && isFolder(path))
        return EISDIR;
    if (e != 0)
        return e;
    if (GetFileType(h.get()) != FILE_TYPE_DISK)
        return EISDIR;
    text.assign(static_cast<size_t>(fileId(h.get()).size), '\0');
    size_t done = 0;
    const int r = readFully(h.get(), text.data(), text.size(), 0, done);
    text.resize(done);
    return r;
}

/// Writes text to a new hidden file, flushed, that becomes visible as it takes its name.
int writeNew(const std::string& path, const std::string& text) {
    Handle h;
    if (const int e = openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, h))
        return e;
    if (const int e = writeAll(h.get(), text, 0))
        return e;
    if (const int e = changeAttributes(h.get(), 0, FILE_ATTRIBUTE_HIDDEN))
        return e;
    if (!FlushFileBuffers(h.get()))
        return lastError();
    return CloseHandle(h.release()) ? 0 : lastError();
}

/// Whether the lock file h holds is no longer the one its name leads to: removed by the run that
/// held it before (its removal waits for every handle of it to close) or replaced since.
bool lockGone(HANDLE h, const std::string& lockPath) {
    FILE_STANDARD_INFO standard{};
    if (GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard) &&
        standard.DeletePending)
        return true;
    Handle named;
    if (openHandle(lockPath, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, named) != 0)
        return true;
    return !fileId(named.get()).sameFile(fileId(h));
}

/// Opens the lock file and waits for its lock. A folder cannot be locked on Windows, so a hidden
/// file beside the rewritten one stands for it; its holder removes it before letting go, so none
/// stays in the user's folder. A run that waited on a file so removed opens the new one again;
/// one that meets it still named while the last waiters let go of it is refused for a moment.
int takeLock(const std::string& lockPath, Handle& lock) {
    const ULONGLONG giveUp = GetTickCount64() + 5000;
    for (;;) {
        const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
        int e = openHandle(lockPath, access, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, lock);
        if (e == EACCES && GetTickCount64() < giveUp) {
            Sleep(1);
            continue;
        }
        if (e == 0)
            e = lockHandle(lock.get(), true);
        if (e != 0)
            return e == ENOSYS ? 0 : e;
        if (!lockGone(lock.get(), lockPath))
            return 0;
        lock.reset();
    }
}

/// Removes the lock file while its lock is still held; it goes when the last handle closes.
void dropLock(Handle& lock) {
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(lock.get(), FileDispositionInfo, &gone, sizeof gone);
    lock.reset();
}

}  // namespace

int rewriteLocked(const std::string& path, const std::function<std::string(const std::string&)>& edit) {
    const std::string folder = folderOf(path);
    const std::string name = path.substr(path.find_last_of("\\/") + 1);
    if (isFolder(path))
        return EISDIR;  // before a lock file is made for it
    Handle lock;
    if (const int e = takeLock(folder + "." + name + ".lock", lock))
        return e;
    std::string old;
    int e = readOld(path, old);
    // One temporary name per file: whoever holds the lock may write over a crashed run's leftover.
    const std::string temporary = folder + "." + name + ".tmp";
    if (e == 0)
        e = writeNew(temporary, edit(old));
    if (e == 0)
        e = renameInto(temporary, path, true);
    if (e != 0)
        removeNamedFile(temporary);
    if (e == 0)
        e = flushFolder(folder);
    dropLock(lock);
    return e;
}

}  // namespace kadrel::platform
