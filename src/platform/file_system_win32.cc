#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "platform/file_faults.h"
#include "platform/file_system.h"
#include "platform/handle_win32.h"

namespace kadrel::platform {

namespace {

// "C:" names the drive's current folder; a separator would make it the drive's root.
std::string withSeparator(std::string path) {
    if (path.empty() || (!isSeparator(path.back()) && !(path.size() == 2 && path[1] == ':')))
        path += kSeparator;
    return path;
}

bool isAbsolute(const std::string& path) {
    const size_t root = rootLength(path);
    return root > 2 || (root == 2 && path[1] != ':');
}

std::string environmentFolder(const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
    std::string folder;
    if (n == 0 || n >= MAX_PATH * 2 || !fromWide(std::wstring_view(buffer, n), folder) || !isAbsolute(folder))
        return {};
    return withSeparator(folder);
}

/// The attributes of what path names; INVALID_FILE_ATTRIBUTES (with errno set) when nothing.
DWORD attributesOf(const std::string& path) {
    std::wstring wide;
    if (path.empty() || !toWide(path, wide)) {
        errno = path.empty() ? ENOENT : EINVAL;
        return INVALID_FILE_ATTRIBUTES;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        errno = lastError();
    return attributes;
}

/// The attributes of what path leads to, links followed as stat follows them (a dangling link
/// gives INVALID_FILE_ATTRIBUTES).
DWORD followedAttributes(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return attributes;
    Handle h;
    BY_HANDLE_FILE_INFORMATION info;
    if (const int e = openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h)) {
        errno = e;
        return INVALID_FILE_ATTRIBUTES;
    }
    if (!GetFileInformationByHandle(h.get(), &info)) {
        errno = lastError();
        return INVALID_FILE_ATTRIBUTES;
    }
    return info.dwFileAttributes;
}

EntryKind kindOf(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Directory;
    return attributes & FILE_ATTRIBUTE_DEVICE ? EntryKind::Special : EntryKind::Regular;
}

/// A link in the sense of a symbolic link: a reparse point that stands for another name
/// (symbolic links and junctions). Other reparse points (deduplicated or cloud files) hold the
/// file itself; an unknown tag counts as a link, which only ever makes a run more careful.
bool isNameLink(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

bool setAttributes(const std::string& path, DWORD attributes) {
    std::wstring wide;
    if (!toWide(path, wide)) {
        errno = EINVAL;
        return false;
    }
    if (SetFileAttributesW(wide.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL))
        return true;
    errno = lastError();
    return false;
}

}  // namespace

std::string programFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return ".\\";
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string exe;
    if (!fromWide(buffer, exe))
        return ".\\";
    return exe.substr(0, exe.find_last_of("\\/") + 1);
}

std::string settingsFolder(const std::string& programDir) {
    // Only a Kadrel.ini the user placed beside the program makes it portable: a program folder
    // under Program Files is no place for settings.
    const std::string dir = withSeparator(programDir);
    if (entryExists(dir + "Kadrel.ini"))
        return dir;
    std::string appData = environmentFolder(L"APPDATA");
    if (appData.empty()) {
        const std::string home = environmentFolder(L"USERPROFILE");
        appData = home.empty() ? home : home + "AppData\\Roaming\\";
    }
    return appData.empty() ? dir : appData + "Kadrel\\";
}

bool entryExists(const std::string& path) {
    return attributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(const std::string& path) {
    return entryKind(path) == EntryKind::Directory;
}

FileId fileId(const std::string& path) {
    Handle h;
    if (path.empty() || openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h))
        return {};
    return fileId(h.get());
}

std::string folderOf(const std::string& path) {
    const size_t root = rootLength(path);
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash >= root)
        return path.substr(0, slash + 1);
    if (root == 0)
        return ".\\";
    // A root is its own folder; a UNC root named without its closing separator gets one.
    return root > 2 ? withSeparator(path.substr(0, root)) : path.substr(0, root);
}

int flushFolder(const std::string& folder) {
    // Windows has no call that flushes a folder's entries alone: FlushFileBuffers flushes a
    // file's data, and a whole volume only for an administrator. It needs none: NTFS journals
    // every change of its metadata, and the renames that commit a copy are made with
    // MOVEFILE_WRITE_THROUGH, which returns only once the new name is on the disk.
    return entryExists(folder) ? 0 : errno;
}

EntryKind entryKind(const std::string& path) {
    return kindOf(followedAttributes(path));
}

bool isSymbolicLink(const std::string& path) {
    std::wstring wide;
    // The search below would take a wildcard as one: a name cannot hold one anyway.
    if (path.empty() || path.find_first_of("*?") != std::string::npos || !toWide(path, wide))
        return false;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return isNameLink(data.dwFileAttributes, data.dwReserved0);
}

int64_t getAttributes(const std::string& path) {
    const DWORD attributes = followedAttributes(path);
    return attributes == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int64_t>(attributes);
}

bool makeWritable(const std::string& path) {
    const DWORD attributes = followedAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_READONLY))
        return true;
    return setAttributes(path, attributes & kSettableAttributes & ~FILE_ATTRIBUTE_READONLY);
}

bool makeReadOnly(const std::string& path) {
    const DWORD attributes = followedAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return setAttributes(path, (attributes & kSettableAttributes) | FILE_ATTRIBUTE_READONLY);
}

namespace {

/// What one entry found by the walk is; false when its name is not valid UTF-16.
bool describe(const std::string& folder, const WIN32_FIND_DATAW& data, DirEntry& item) {
    if (!fromWide(data.cFileName, item.name))
        return false;
    const DWORD attributes = data.dwFileAttributes;
    item.isHidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    item.isLink = isNameLink(attributes, data.dwReserved0);
    item.kind = item.isLink ? entryKind(folder + item.name) : kindOf(attributes);
    // A folder behind any reparse point is not entered: a link or junction may lead back up the
    // tree, and a placeholder of a cloud folder would be fetched whole.
    item.isDirectory = !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && item.kind == EntryKind::Directory;
    return true;
}

constexpr int kEnd = -1;

/// The first or next entry into data: 0, kEnd after the last, or an error number.
int nextEntry(HANDLE& find, const std::wstring& pattern, WIN32_FIND_DATAW& data, const std::string& folder,
              size_t seen, FileFaults* faults) {
    if (const int fault = faults ? faults->beforeListing(folder, seen) : 0)
        return fault;
    if (find != INVALID_HANDLE_VALUE)
        return FindNextFileW(find, &data) ? 0 : GetLastError() == ERROR_NO_MORE_FILES ? kEnd : lastError();
    find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE)
        return 0;
    // An empty drive root holds not even "." and "..": it finds nothing at all.
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND && isDirectory(folder) ? kEnd : errorFromSystem(code);
}

}  // namespace

bool listDirectory(const std::string& folder, const std::function<bool(const DirEntry&)>& visit,
                   FileFaults* faults) {
    const std::string dir = withSeparator(folder);
    std::wstring pattern;
    if (folder.empty() || !toWide(dir + "*", pattern))
        return errno = folder.empty() ? ENOENT : EINVAL, false;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data;
    size_t seen = 0;
    int error = 0;
    for (;;) {
        if (const int e = nextEntry(find, pattern, data, folder, seen, faults)) {
            error = e == kEnd ? error : e;
            break;
        }
        if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0)
            continue;
        DirEntry item;
        // A name UTF-8 cannot hold is skipped, and the folder is reported as one that could not
        // be read in full: it may hide a clip.
        if (!describe(dir, data, item)) {
            error = EILSEQ;
            continue;
        }
        ++seen;
        if (!visit(item))
            break;
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    errno = error;
    return error == 0;
}

bool createAndDeleteTest(const std::string& path) {
    // Removed by its close, even when the process dies before it.
    Handle h;
    const int e = openHandle(path, GENERIC_WRITE | DELETE, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, h);
    errno = e;
    return e == 0;
}

bool removeFile(const std::string& path) {
    std::wstring wide;
    if (!toWide(path, wide))
        return errno = EINVAL, false;
    if (DeleteFileW(wide.c_str()))
        return true;
    errno = lastError();
    return false;
}

bool makeFolders(const std::string& path) {
    int lastError = 0;
    const size_t root = rootLength(path);
    for (size_t i = root; i <= path.size(); ++i) {
        if (i != path.size() && !isSeparator(path[i]))
            continue;
        std::wstring partial;
        if (i == root || !toWide(path.substr(0, i), partial)) {
            lastError = i == root ? lastError : EINVAL;
            continue;
        }
        if (CreateDirectoryW(partial.c_str(), nullptr))
            continue;
        const DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS)
            lastError = errorFromSystem(code);
        else if (!isDirectory(path.substr(0, i)))
            return errno = ENOTDIR, false;  // a file holds the name: nothing below it can be made
    }
    if (isDirectory(path))
        return true;
    errno = lastError != 0 ? lastError : ENOTDIR;
    return false;
}

int64_t availableBytes(const std::string& folder) {
    std::wstring wide;
    ULARGE_INTEGER forCaller, total, free;
    if (!toWide(withSeparator(folder), wide) || !GetDiskFreeSpaceExW(wide.c_str(), &forCaller, &total, &free))
        return -1;
    // The caller's share: what a disk quota leaves this user, as statvfs's available blocks do.
    return static_cast<int64_t>(forCaller.QuadPart);
}

namespace {

/// Refuses anything but a regular file of one link, then empties it.
int checkAndEmptyLog(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return EINVAL;
    // A second link makes the log another file's name too: emptying it would empty that file.
    if (info.nNumberOfLinks != 1)
        return EMLINK;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN) || !SetEndOfFile(h))
        return lastError();
    return 0;
}

}  // namespace

std::FILE* openLogFile(const std::string& path) {
    Handle h;
    // The reparse point itself is opened, never what it leads to, and then refused.
    if (const int e = openHandle(path, GENERIC_WRITE, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, h))
        return errno = e, nullptr;
    if (const int e = checkAndEmptyLog(h.get()))
        return errno = e, nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.get()), _O_WRONLY | _O_BINARY);
    if (fd < 0)
        return nullptr;
    h.release();
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        _close(fd);
        errno = error;
    }
    return file;
}

void keepFreedMemoryForReuse() {
    // The Windows heap keeps freed blocks for reuse on its own.
}

std::string systemErrorText(int error) {
    const DWORD code = systemCodeOf(error);
    std::string text = code != 0 ? systemMessage(code) : std::string();
    return text.empty() ? std::strerror(error) : text;
}

bool isTerminal(int fd) {
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode);
}

}  // namespace kadrel::platform
