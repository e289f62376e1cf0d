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

}  // namespace

int rewriteLocked(const std::string& path, const std::function<std::string(const std::string&)>& edit) {
    const std::string folder = folderOf(path);
    const std::string name = path.substr(path.find_last_of("\\/") + 1);
    if (isFolder(path))
        return EISDIR;  // before a lock file is made for it
    // A folder cannot be locked on Windows: a hidden file beside path stands for it. It stays, as
    // removing it would let a run that waits for it go on under a lock no later run sees.
    Handle lock;
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    if (const int e =
            openHandle(folder + "." + name + ".lock", access, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, lock))
        return e;
    if (const int e = lockHandle(lock.get(), true); e != 0 && e != ENOSYS)
        return e;
    std::string old;
    if (const int e = readOld(path, old))
        return e;
    // One temporary name per file: whoever holds the lock may write over a crashed run's leftover.
    const std::string temporary = folder + "." + name + ".tmp";
    int e = writeNew(temporary, edit(old));
    if (e == 0)
        e = renameInto(temporary, path, true);
    if (e != 0) {
        removeNamedFile(temporary);
        return e;
    }
    return flushFolder(folder);
}

}  // namespace kadrel::platform
