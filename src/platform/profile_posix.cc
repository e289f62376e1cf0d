#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix_file.h"
#include "platform/profile.h"
#include "platform/text_case.h"

namespace kadrel::platform {

namespace {

// A settings file larger than this is not one of ours; reading it whole would only waste memory.
constexpr off_t kMaxProfileSize = 64 * 1024 * 1024;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// ---- file access -----------------------------------------------------------------------------

// Reads a regular file whole: Readable (NUL bytes and all), ReadFails with error set,
// NotRegular or TooLarge.
ProfileState readProfileFile(const std::string& file, std::string& out, int& error) {
    out.clear();
    // O_NONBLOCK: a FIFO put in place of the file must not hang the program.
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    error = fd.get() < 0 || fstat(fd.get(), &st) != 0 ? errno : 0;
    if (error != 0)
        return ProfileState::ReadFails;
    if (!S_ISREG(st.st_mode))
        return ProfileState::NotRegular;
    if (st.st_size > kMaxProfileSize)
        return ProfileState::TooLarge;
    // To the end, not to the size fstat gave: files of /proc say 0 and still hold text.
    error = readToEnd(fd.get(), out, static_cast<size_t>(kMaxProfileSize));
    if (error == EFBIG) {
        error = 0;
        return ProfileState::TooLarge;
    }
    return error == 0 ? ProfileState::Readable : ProfileState::ReadFails;
}

// The error number a writer reports for a file it could not read.
int readError(ProfileState state, int error) {
    if (state == ProfileState::NotRegular)
        return EINVAL;
    return state == ProfileState::TooLarge ? EFBIG : error;
}

// Writes go to the file a symbolic link points at, so that the link itself survives.
std::string resolveTarget(const std::string& file) {
    char* real = realpath(file.c_str(), nullptr);
    if (!real)
        return file;
    std::string result(real);
    std::free(real);
    return result;
}

// A read-only file counts as unwritable even for the superuser, as the read-only attribute does.
int mayReplace(const std::string& file, const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (!(st.st_mode & S_IWUSR))
        return EACCES;
    return access(file.c_str(), W_OK) == 0 ? 0 : errno;
}

// Creates a new file beside target under a hidden name made from target's, open for writing.
int createTemporaryBeside(const std::string& target, std::string& name, Fd& fd) {
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = target.substr(0, target.size() - base.size()) + "." + base + ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd.reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() >= 0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// Takes over mode and owner of the file being replaced; an owner change may be refused.
int keepAttributes(int fd, const struct stat* old) {
    if (!old)
        return 0;
    // Only the superuser may give the file back to its owner; otherwise it is ours already.
    [[maybe_unused]] const int chowned = fchown(fd, old->st_uid, old->st_gid);
    return fchmod(fd, old->st_mode & 07777) == 0 ? 0 : errno;
}

// Flushes and closes fd after error, the first failure of the writes to it; returns the first
// failure of them all.
int syncAndClose(Fd& fd, int error) {
    if (error == 0 && fsync(fd.get()) != 0)
        error = errno;
    if (::close(fd.release()) != 0 && error == 0)
        error = errno;
    return error;
}

int writeTemporaryAndRename(const std::string& target, const std::string& contents, const struct stat* old) {
    std::string temp;
    Fd fd;
    if (const int error = createTemporaryBeside(target, temp, fd))
        return error;
    int error = writeAll(fd.get(), contents);
    if (error == 0)
        error = keepAttributes(fd.get(), old);
    error = syncAndClose(fd, error);
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    // The new contents are in place either way; a folder that cannot be flushed keeps them too.
    flushFolder(folderOf(target));
    return 0;
}

// ---- profile text ----------------------------------------------------------------------------

struct LineRef {
    size_t start = 0;
    size_t length = 0;     // without the line end
    size_t eolLength = 0;  // 0 (last line without end), 1 (LF or CR) or 2 (CR LF)
    size_t end() const { return start + length + eolLength; }
};

std::vector<LineRef> splitLines(std::string_view data) {
    std::vector<LineRef> lines;
    size_t start = 0;
    while (start < data.size()) {
        size_t stop = data.find_first_of("\r\n", start);
        if (stop == std::string_view::npos)
            stop = data.size();
        LineRef line{start, stop - start, 0};
        if (stop < data.size())
            line.eolLength = (data.compare(stop, 2, "\r\n") == 0) ? 2 : 1;
        lines.push_back(line);
        start = line.end();
    }
    return lines;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

enum class LineKind { Other, Comment, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
};

LineInfo classifyLine(std::string_view text) {
    text = trim(text);
    if (text.empty())
        return {};
    if (text.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos)
            return {};
        return {LineKind::Section, trim(text.substr(1, close - 1)), {}};
    }
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0)
        return {};
    return {LineKind::Key, trim(text.substr(0, eq)), trim(text.substr(eq + 1))};
}

// Where a key stands in a profile text, or where a new one goes.
struct KeyPosition {
    std::vector<LineRef> lines;
    long match = -1;  // line of the key (first occurrence in a section of that name)
    LineInfo matchInfo;
    long sectionLine = -1;  // header of the first section of that name
    long insertAfter = -1;  // last key line of that section, or its header
};

LineInfo classifyAt(std::string_view data, const LineRef& line) {
    std::string_view text = data.substr(line.start, line.length);
    // Editors on Linux may save a byte-order mark; it must not hide the first section.
    if (line.start == 0 && text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    return classifyLine(text);
}

KeyPosition locateKey(std::string_view data, std::string_view section, std::string_view key) {
    KeyPosition pos;
    pos.lines = splitLines(data);
    bool inTarget = false, inFirst = false;
    for (size_t i = 0; i < pos.lines.size(); ++i) {
        const LineInfo info = classifyAt(data, pos.lines[i]);
        const long index = static_cast<long>(i);
        if (info.kind == LineKind::Section) {
            inTarget = equalsNoCase(info.name, section);
            inFirst = inTarget && pos.sectionLine < 0;
            if (inFirst)
                pos.sectionLine = pos.insertAfter = index;
        } else if (info.kind == LineKind::Key && inTarget) {
            if (equalsNoCase(info.name, key)) {
                pos.match = index;
                pos.matchInfo = info;
                return pos;
            }
            if (inFirst)
                pos.insertAfter = index;
        }
    }
    return pos;
}

// New lines follow the file's own line ends so that a hand-edited file keeps one style.
std::string_view lineEndOf(std::string_view data, const std::vector<LineRef>& lines) {
    for (const LineRef& line : lines) {
        if (line.eolLength > 0)
            return data.substr(line.start + line.length, line.eolLength);
    }
    return "\r\n";
}

std::string withKeyWritten(std::string_view data, std::string_view section, std::string_view key,
                           std::string_view value) {
    const KeyPosition pos = locateKey(data, section, key);
    const std::string_view nl = lineEndOf(data, pos.lines);
    std::string out;
    if (pos.match >= 0) {
        const LineRef& line = pos.lines[static_cast<size_t>(pos.match)];
        out.append(data.substr(0, line.start)).append(pos.matchInfo.name).append("=").append(value);
        out.append(data.substr(line.start + line.length));
        return out;
    }
    const size_t cut =
        pos.insertAfter >= 0 ? pos.lines[static_cast<size_t>(pos.insertAfter)].end() : data.size();
    out.append(data.substr(0, cut));
    // A last line without its end must not run into the new line.
    if (!pos.lines.empty() && cut == data.size() && pos.lines.back().eolLength == 0)
        out.append(nl);
    if (pos.sectionLine < 0)
        out.append("[").append(section).append("]").append(nl);
    out.append(key).append("=").append(value).append(nl);
    out.append(data.substr(cut));
    return out;
}

// Names and values that would split a line or read back as something else are refused.
bool writableEntry(std::string_view section, std::string_view key, std::string_view value) {
    constexpr std::string_view kLineBreaks("\r\n\0", 3);
    if (section.empty() || key.empty())
        return false;
    if (section.find_first_of(kLineBreaks) != std::string_view::npos || section.find(']') != section.npos)
        return false;
    if (key.find_first_of(kLineBreaks) != key.npos || key.find('=') != key.npos)
        return false;
    if (key.front() == ';' || key.front() == '[')
        return false;
    return value.find_first_of(kLineBreaks) == value.npos;
}

}  // namespace

int readProfileString(const std::string& file, const std::string& section, const std::string& key,
                      std::string& value) {
    std::string data;
    int error = 0;
    if (const ProfileState state = readProfileFile(file, data, error); state != ProfileState::Readable)
        return readError(state, error);
    const KeyPosition pos = locateKey(data, trim(section), trim(key));
    if (pos.match < 0)
        return ENOENT;
    value = pos.matchInfo.value;
    return 0;
}

ProfileState checkProfileFile(const std::string& file, int& error) {
    std::string data;
    const ProfileState state = readProfileFile(file, data, error);
    // A dangling link is there although it opens as nothing: it is not ours to replace.
    if (state == ProfileState::ReadFails && (error == ENOENT || error == ENOTDIR) && !entryExists(file)) {
        error = 0;
        return ProfileState::Missing;
    }
    if (state == ProfileState::Readable && data.find('\0') != std::string::npos)
        return ProfileState::NotText;
    return state;
}

int writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value) {
    const std::string_view sectionName = trim(section), keyName = trim(key);
    if (!writableEntry(sectionName, keyName, value))
        return EINVAL;
    const std::string target = resolveTarget(file);
    std::string data;
    int error = 0;
    const ProfileState state = readProfileFile(target, data, error);
    // A file that exists but cannot be read must not be replaced by one holding only this key.
    if (state != ProfileState::Readable && error != ENOENT)
        return readError(state, error);
    return replaceFileAtomically(target, withKeyWritten(data, sectionName, keyName, value));
}

int appendText(const std::string& file, const std::string& text) {
    struct stat st {};
    if (stat(file.c_str(), &st) == 0) {
        if (const int refused = mayReplace(file, st))
            return refused;
    } else if (errno != ENOENT) {
        return errno;
    }
    Fd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return errno;
    return syncAndClose(fd, writeAll(fd.get(), text));
}

int replaceFileAtomically(const std::string& file, const std::string& contents) {
    if (file.empty())
        return ENOENT;
    const std::string target = resolveTarget(file);
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        if (const int refused = mayReplace(target, st))
            return refused;
        return writeTemporaryAndRename(target, contents, &st);
    }
    if (errno != ENOENT)
        return errno;
    // The settings folder under ~/.config is made on the first write.
    if (!isDirectory(folderOf(target)))
        if (const int error = makeFolders(folderOf(target)))
            return error;
    return writeTemporaryAndRename(target, contents, nullptr);
}

}  // namespace kadrel::platform
