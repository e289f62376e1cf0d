// The profile text itself: finding, reading and editing keys, the same on every platform so
// that both read and write the file the same way. The file access is each platform's own.
#include "platform/profile.h"

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "platform/text_case.h"

namespace kadrel::platform {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string unreadableReason(int error) {
    if (error == kProfileNotRegular)
        return "it is not a regular file";
    if (error == kProfileTooLarge)
        return "it is too large to be a settings file";
    return error == 0 ? "it holds a NUL byte, so it is no text file" : systemErrorText(error);
}

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
    const std::string target = profileWriteTarget(file);
    std::string data;
    // A file that exists but cannot be read must not be replaced by one holding only this key.
    if (const int error = readProfileFile(target, data); error != 0 && error != ENOENT)
        return false;
    return replaceFileAtomically(target, withKeyWritten(data, sectionName, keyName, value));
}

}  // namespace kadrel::platform
