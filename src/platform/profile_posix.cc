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

// What stops a read besides an error number.
constexpr int kNotRegular = -1;
constexpr int kTooLarge = -2;

// Reads to the end, not to the size fstat gave: files of /proc say 0 and still hold text.
int readAll(int fd, std::string& out) {
    const int e = readToEnd(fd, out, static_cast<size_t>(kMaxProfileSize));
    return e == EFBIG ? kTooLarge : e;
}

// Reads a regular file whole: 0, an error number, kNotRegular or kTooLarge.
int readProfileFile(const std::string& file, std::string& out) {
    out.clear();
    // O_NONBLOCK: a FIFO put in place of the file must not hang the program.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    int error = fstat(fd, &st) == 0 ? 0 : errno;
    if (error == 0 && !S_ISREG(st.st_mode))
        error = kNotRegular;
    else if (error == 0)
        error = st.st_size > kMaxProfileSize ? kTooLarge : readAll(fd, out);
    ::close(fd);
    return error;
}

std::string unreadableReason(int error) {
    if (error == kNotRegular)
        return "it is not a regular file";
    if (error == kTooLarge)
        return "it is too large to be a settings file";
    return error == 0 ? "it holds a NUL byte, so it is no text file" : systemErrorText(error);
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
bool mayReplace(const std::string& file, const struct stat& st) {
    return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) && access(file.c_str(), W_OK) == 0;
}

// Creates a new file beside target under a hidden name made from target's; returns its
// descriptor, or -1 with errno set.
int createTemporaryBeside(const std::string& target, std::string& name) {
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = target.substr(0, target.size() - base.size()) + "." + base + ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Takes over mode and owner of the file being replaced; an owner change may be refused.
bool keepAttributes(int fd, const struct stat* old) {
    if (!old)
        return true;
    // Only the superuser may give the file back to its owner; otherwise it is ours already.
    [[maybe_unused]] const int chowned = fchown(fd, old->st_uid, old->st_gid);
    return fchmod(fd, old->st_mode & 07777) == 0;
}

bool writeTemporaryAndRename(const std::string& target, const std::string& contents, const struct stat* old) {
    std::string temp;
    const int fd = createTemporaryBeside(target, temp);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, contents) == 0 && keepAttributes(fd, old) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The new contents are in place either way; a folder that cannot be flushed keeps them too.
    flushFolder(folderOf(target));
    return true;
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

std::optional<std::string> readProfileString(const std::string& file, const std::string& section,
                                             const std::string& key) {
    std::string data;
    if (readProfileFile(file, data) != 0)
        return std::nullopt;
    const KeyPosition pos = locateKey(data, trim(section), trim(key));
    if (pos.match < 0)
        return std::nullopt;
    return std::string(pos.matchInfo.value);
}

ProfileState checkProfileFile(const std::string& file, std::string& why) {
    std::string data;
    const int error = readProfileFile(file, data);
    // A dangling link is there although it opens as nothing: it is not ours to replace.
    if ((error == ENOENT || error == ENOTDIR) && !entryExists(file))
        return ProfileState::Missing;
    if (error == 0 && data.find('\0') == std::string::npos)
        return ProfileState::Readable;
    why = unreadableReason(error);
    return ProfileState::Unreadable;
}

bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    const std::string_view sectionName = trim(section), keyName = trim(key);
    if (!writableEntry(sectionName, keyName, value))
        return false;
    const std::string target = resolveTarget(file);
    std::string data;
    // A file that exists but cannot be read must not be replaced by one holding only this key.
    if (const int error = readProfileFile(target, data); error != 0 && error != ENOENT)
        return false;
    return replaceFileAtomically(target, withKeyWritten(data, sectionName, keyName, value));
}

bool appendText(const std::string& file, const std::string& text) {
    struct stat st {};
    if (stat(file.c_str(), &st) == 0 ? !mayReplace(file, st) : errno != ENOENT)
        return false;
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, text) == 0 && fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

bool replaceFileAtomically(const std::string& file, const std::string& contents) {
    if (file.empty())
        return false;
    const std::string target = resolveTarget(file);
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        if (!mayReplace(target, st))
            return false;
        return writeTemporaryAndRename(target, contents, &st);
    }
    if (errno != ENOENT)
        return false;
    // The settings folder under ~/.config is made on the first write.
    if (!isDirectory(folderOf(target)) && makeFolders(folderOf(target)) != 0)
        return false;
    return writeTemporaryAndRename(target, contents, nullptr);
}

}  // namespace kadrel::platform
