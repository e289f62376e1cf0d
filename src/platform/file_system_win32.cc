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

/// The attributes of the entry path names itself (a link's own).
int attributesOf(const std::string& path, DWORD& attributes) {
    std::wstring wide;
    if (path.empty())
        return ENOENT;
    if (!toWide(path, wide))
        return EINVAL;
    attributes = GetFileAttributesW(wide.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? pathError(path, lastError()) : 0;
}

/// The attributes of what path leads to, links followed as stat follows them (a dangling link
/// fails).
int followedAttributes(const std::string& path, DWORD& attributes) {
    if (const int e = attributesOf(path, attributes))
        return e;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    Handle h;
    BY_HANDLE_FILE_INFORMATION info;
    if (const int e = openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h))
        return e;
    if (!GetFileInformationByHandle(h.get(), &info))
        return lastError();
    attributes = info.dwFileAttributes;
    return 0;
}

EntryKind kindOf(DWORD attributes) {
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

int setAttributes(const std::string& path, DWORD attributes) {
    std::wstring wide;
    if (!toWide(path, wide))
        return EINVAL;
    return SetFileAttributesW(wide.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) ? 0
                                                                                             : lastError();
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
    DWORD attributes;
    return attributesOf(path, attributes) == 0;
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
    DWORD attributes;
    return attributesOf(folder, attributes);
}

EntryKind entryKind(const std::string& path) {
    DWORD attributes;
    return followedAttributes(path, attributes) == 0 ? kindOf(attributes) : EntryKind::Missing;
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

int getAttributes(const std::string& path, uint32_t& attributes) {
    // The system's own bits, of which kAttrReadOnly, kAttrHidden and kAttrDirectory are three.
    DWORD bits;
    if (const int e = followedAttributes(path, bits))
        return e;
    attributes = bits;
    return 0;
}

int makeWritable(const std::string& path) {
    DWORD attributes;
    if (const int e = followedAttributes(path, attributes))
        return e;
    if (!(attributes & FILE_ATTRIBUTE_READONLY))
        return 0;
    return setAttributes(path, attributes & kSettableAttributes & ~FILE_ATTRIBUTE_READONLY);
}

int makeReadOnly(const std::string& path) {
    DWORD attributes;
    if (const int e = followedAttributes(path, attributes))
        return e;
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
    return code == ERROR_FILE_NOT_FOUND && isDirectory(folder)
               ? kEnd
               : pathError(folder + "\\*", errorFromSystem(code));
}

}  // namespace

int listDirectory(const std::string& folder, const std::function<bool(const DirEntry&)>& visit,
                  FileFaults* faults) {
    const std::string dir = withSeparator(folder);
    std::wstring pattern;
    if (folder.empty() || !toWide(dir + "*", pattern))
        return folder.empty() ? ENOENT : EINVAL;
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
    return error;
}

int createAndDeleteTest(const std::string& path) {
    // Removed by its close, even when the process dies before it.
    Handle h;
    return openHandle(path, GENERIC_WRITE | DELETE, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, h);
}

int removeFile(const std::string& path) {
    std::wstring wide;
    if (!toWide(path, wide))
        return EINVAL;
    if (DeleteFileW(wide.c_str()))
        return 0;
    const int e = pathError(path, lastError());
    return e == EACCES && isDirectory(path) ? EISDIR : e;  // what unlink says of a folder
}

int makeFolders(const std::string& path) {
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
            lastError = pathError(path.substr(0, i), errorFromSystem(code));
        else if (!isDirectory(path.substr(0, i)))
            return ENOTDIR;  // a file holds the name: nothing below it can be made
    }
    if (isDirectory(path))
        return 0;
    return lastError != 0 ? lastError : ENOTDIR;
}

int availableBytes(const std::string& folder, int64_t& bytes) {
    std::wstring wide;
    ULARGE_INTEGER forCaller, total, free;
    if (!toWide(withSeparator(folder), wide))
        return EINVAL;
    if (!GetDiskFreeSpaceExW(wide.c_str(), &forCaller, &total, &free))
        return lastError();
    // The caller's share: what a disk quota leaves this user, as statvfs's available blocks do.
    bytes = static_cast<int64_t>(forCaller.QuadPart);
    return 0;
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

int openLogFile(const std::string& path, std::FILE*& file) {
    Handle h;
    // The reparse point itself is opened, never what it leads to, and then refused.
    if (const int e = openHandle(path, GENERIC_WRITE, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, h))
        return e;
    if (const int e = checkAndEmptyLog(h.get()))
        return e;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.get()), _O_WRONLY | _O_BINARY);
    if (fd < 0)
        return errno;
    h.release();
    std::FILE* opened = _fdopen(fd, "wb");
    if (!opened) {
        const int error = errno;
        _close(fd);
        return error;
    }
    file = opened;
    return 0;
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
