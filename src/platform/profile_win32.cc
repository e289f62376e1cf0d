#include <algorithm>
#include <cerrno>

#include "platform/file_system.h"
#include "platform/handle_win32.h"
#include "platform/profile.h"
#include "platform/profile_file.h"

namespace kadrel::platform {

namespace {

// Reads to the end, not to the size the system gave: the file may grow while it is read.
int readToEnd(HANDLE h, std::string& out) {
    char buffer[64 * 1024];
    for (;;) {
        size_t n = 0;
        if (const int e = readFully(h, buffer, sizeof buffer, static_cast<int64_t>(out.size()), n))
            return e;
        if (out.size() + n > static_cast<size_t>(kMaxProfileSize))
            return kProfileTooLarge;
        out.append(buffer, n);
        if (n < sizeof buffer)
            return 0;
    }
}

// A regular file that this user may write: the read-only attribute refuses even where the system
// would let an administrator (or Wine's root) open it, and the open for writing, which changes
// nothing, tells what the file's access list says.
bool mayReplace(const std::string& file) {
    Handle h;
    BY_HANDLE_FILE_INFORMATION info;
    return openHandle(file, GENERIC_WRITE, OPEN_EXISTING, 0, h) == 0 &&
           GetFileType(h.get()) == FILE_TYPE_DISK && GetFileInformationByHandle(h.get(), &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

// Creates a new hidden file beside target under a name made from target's.
int createTemporaryBeside(const std::string& target, std::string& name, Handle& h) {
    const size_t slash = target.find_last_of("\\/");
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = target.substr(0, target.size() - base.size()) + "." + base + ".tmp";
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        name = prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        error = openHandle(name, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, h);
    }
    return error;
}

bool removeTemporary(const std::string& name) {
    removeFile(name);
    return false;
}

// The temporary takes the attributes of the file it replaces (or none) just before it takes its
// name, so the settings never show as hidden.
bool writeTemporaryAndRename(const std::string& target, const std::string& contents, DWORD attributes) {
    std::string temp;
    Handle h;
    if (createTemporaryBeside(target, temp, h) != 0)
        return false;
    const bool written = writeAll(h.get(), contents, 0) == 0 && FlushFileBuffers(h.get());
    h.reset();
    std::wstring from, to;
    if (!written || !toWide(temp, from) || !toWide(target, to))
        return removeTemporary(temp);
    if (!SetFileAttributesW(from.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) ||
        !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return removeTemporary(temp);
    return true;
}

/// The path GetFinalPathNameByHandleW gives, without its prefix for long paths.
std::string withoutLongPathPrefix(std::string path) {
    if (path.starts_with("\\\\?\\UNC\\"))
        return "\\" + path.substr(7);
    return path.starts_with("\\\\?\\") ? path.substr(4) : path;
}

}  // namespace

int readProfileFile(const std::string& file, std::string& out) {
    out.clear();
    Handle h;
    // A folder opens too (for its attributes), so that it is refused as no regular file.
    if (const int e = openHandle(file, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h))
        return e;
    // A device (CON, a pipe) is refused before any read could wait on it.
    if (GetFileType(h.get()) != FILE_TYPE_DISK)
        return kProfileNotRegular;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.get(), &info))
        return lastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return kProfileNotRegular;
    const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return size > static_cast<uint64_t>(kMaxProfileSize) ? kProfileTooLarge : readToEnd(h.get(), out);
}

std::string profileWriteTarget(const std::string& file) {
    Handle h;
    if (!isSymbolicLink(file) ||
        openHandle(file, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, h) != 0)
        return file;
    std::wstring wide(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h.get(), wide.data(), static_cast<DWORD>(wide.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    std::string target;
    if (n == 0 || n >= wide.size() || !fromWide(std::wstring_view(wide.data(), n), target))
        return file;
    return withoutLongPathPrefix(target);
}

bool appendText(const std::string& file, const std::string& text) {
    if (entryExists(file) ? !mayReplace(file) : errno != ENOENT)
        return false;
    Handle h;
    if (openHandle(file, GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, h) != 0)
        return false;
    // Each write goes to the end of the file as it is then, as O_APPEND's do.
    for (size_t written = 0; written < text.size();) {
        OVERLAPPED atEnd{};
        atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(text.size() - written, 1u << 30));
        DWORD n = 0;
        if (!WriteFile(h.get(), text.data() + written, want, &n, &atEnd) || n == 0)
            return false;
        written += n;
    }
    return FlushFileBuffers(h.get()) != 0;
}

bool replaceFileAtomically(const std::string& file, const std::string& contents) {
    if (file.empty())
        return false;
    const std::string target = profileWriteTarget(file);
    const int64_t attributes = getAttributes(target);
    if (attributes >= 0) {
        if (!mayReplace(target))
            return false;
        return writeTemporaryAndRename(target, contents,
                                       static_cast<DWORD>(attributes) & kSettableAttributes);
    }
    if (errno != ENOENT)
        return false;
    // The settings folder under %APPDATA% is made on the first write.
    if (!isDirectory(folderOf(target)) && !makeFolders(folderOf(target)))
        return false;
    return writeTemporaryAndRename(target, contents, 0);
}

}  // namespace kadrel::platform
