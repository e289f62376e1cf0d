// The operating system's file-system services: the only place that knows how a
// path, an attribute or a directory entry looks on this platform.
// A call that can fail returns false and leaves errno telling why; the copy and flush calls
// of file_copy.h return the error number itself, 0 for success.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace kadrel::platform {

class FileFaults;

/// The path separator of this platform: '/' on POSIX, '\\' on Windows (which takes '/' too).
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

/// Attribute bits with the values of the Windows attribute masks, so stored values keep their meaning.
inline constexpr uint32_t kAttrReadOnly = 1;
inline constexpr uint32_t kAttrHidden = 2;
inline constexpr uint32_t kAttrDirectory = 16;

/// Folder of the running executable, ending with the separator.
std::string programFolder();

/// Folder for Kadrel.ini and kadrel.dbg: the program folder only when Kadrel.ini already exists
/// there (portable use), else $XDG_CONFIG_HOME/kadrel/ (default ~/.config/kadrel/). Ends with
/// the separator. The config folder is created on demand by writers.
std::string settingsFolder(const std::string& programDir);

/// True when a directory entry of that name exists (file, folder or anything else).
bool entryExists(const std::string& path);

/// True when the path names an existing folder (symbolic links followed).
bool isDirectory(const std::string& path);

/// What an entry is, as far as a run cares: it reads regular files only.
enum class EntryKind { Missing, Regular, Directory, Special };

/// Device, inode, size and modification time: which file a name stands for, whatever its spelling.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;     ///< -1: nothing there, or it cannot be examined
    int64_t modified = 0;  ///< modification time, nanoseconds since 1970
    bool exists() const { return size >= 0; }
    bool sameFile(const FileId& other) const {
        return exists() && other.exists() && device == other.device && inode == other.inode;
    }
};

/// The identity of what path names, symbolic links followed.
FileId fileId(const std::string& path);

/// The folder part of a path with its separator ("/" for a file in the root); "./" for a bare
/// name.
std::string folderOf(const std::string& path);

/// True for a character that ends a folder's part of a path: "/", and on Windows "\" too.
constexpr bool isPathSeparator(char c) {
    return c == '/' || c == kSeparator;
}

/// Position of the last separator in path, npos when it has none.
inline size_t lastSeparator(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (isPathSeparator(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

/// The last component of path: what follows its last separator (all of it when there is none).
inline std::string_view nameOf(std::string_view path) {
    return path.substr(lastSeparator(path) + 1);
}

/// True when text, meant as one name in a folder, would reach past it: it holds a separator,
/// or where "\" separates (Windows) a ":", which names a drive or a hidden stream of a file.
inline bool holdsNameBreak(std::string_view text) {
    for (const char c : text)
        if (isPathSeparator(c) || (kSeparator == '\\' && c == ':'))
            return true;
    return false;
}

/// Flushes a folder's entries (new, renamed and removed names) to the storage device. Returns 0
/// or an error number.
int flushFolder(const std::string& folder);

/// What path names, symbolic links followed (a dangling link is Missing).
EntryKind entryKind(const std::string& path);

/// True when path itself is a symbolic link.
bool isSymbolicLink(const std::string& path);

/// Attribute bits of an entry, or -1 when it does not exist.
int64_t getAttributes(const std::string& path);

/// Gives the owner write permission, so that a read-only file can be patched, renamed or
/// deleted. True when the file is writable afterwards.
bool makeWritable(const std::string& path);

/// Makes a file read-only (removes every write permission). For tests and callers that
/// need the opposite of makeWritable.
bool makeReadOnly(const std::string& path);

/// One directory entry as a walk reports it.
struct DirEntry {
    std::string name;
    bool isDirectory = false;  ///< a real folder, not a link to one
    bool isHidden = false;     ///< the name begins with "."
    bool isLink = false;       ///< a symbolic link; kind is what it points to
    EntryKind kind = EntryKind::Missing;
};

/// Calls visit for every entry of folder except "." and "..", in the order the file system
/// returns them; stops early when visit returns false. Links to folders are reported as
/// plain entries (isDirectory false) so a walk cannot loop. False (errno set) when the folder
/// cannot be opened or a read of its entries fails part way; what was read before is visited.
/// faults, when given, may fail any read of the listing.
bool listDirectory(const std::string& folder, const std::function<bool(const DirEntry&)>& visit,
                   FileFaults* faults = nullptr);

/// Creates the file exclusively and removes it again. Never truncates or removes an existing
/// file. True when the name could be created.
bool createAndDeleteTest(const std::string& path);

/// Removes a file (not a folder). False (errno set) on failure.
bool removeFile(const std::string& path);

/// Creates a folder and its parents; true when it exists afterwards (else errno holds why the
/// last folder could not be made).
bool makeFolders(const std::string& path);

/// Bytes an unprivileged user may still write to the file system holding folder (available
/// blocks times the fragment size), or -1 when it cannot be told.
int64_t availableBytes(const std::string& folder);

/// Creates or empties a log file for writing. Never follows a link and never blocks: anything
/// but a regular file of one link under that name (a FIFO, a device, a symbolic link, a hard
/// link to another file) gives null (errno set) and is left as it was.
std::FILE* openLogFile(const std::string& path);

/// Lets the allocator keep large freed blocks for reuse instead of handing each back to the
/// kernel: decoding a thumbnail allocates and frees several megabytes, and mapping them anew
/// for every clip costs page faults that serialise the threads making thumbnails.
void keepFreedMemoryForReuse();

/// The system's text for an error number.
std::string systemErrorText(int error);

/// True when the stream (0 stdin, 1 stdout, 2 stderr) is a terminal.
bool isTerminal(int fd);

}  // namespace kadrel::platform
