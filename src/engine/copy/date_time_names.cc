#include "engine/copy/date_time_names.h"

#include <algorithm>
#include <ctime>

#include "engine/copy/file_search.h"
#include "engine/copy/file_times.h"
#include "platform/file_system.h"
#include "platform/text_case.h"

namespace kadrel {

namespace {

enum class Token {
    Year4,
    Year2,
    Month2,
    Month1,
    Day2,
    Day1,
    Hour2,
    Hour1,
    Minute2,
    Minute1,
    Second2,
    Second1,
    AmPm
};

struct TokenText {
    const char* text;
    Token token;
};

/// Longest first, so that the first match at a position is the longest one.
constexpr TokenText kTokens[] = {
    {"ampm", Token::AmPm}, {"yyyy", Token::Year4}, {"yy", Token::Year2},   {"mm", Token::Month2},
    {"dd", Token::Day2},   {"hh", Token::Hour2},   {"nn", Token::Minute2}, {"ss", Token::Second2},
    {"m", Token::Month1},  {"d", Token::Day1},     {"h", Token::Hour1},    {"n", Token::Minute1},
    {"s", Token::Second1},
};

bool matchesAt(const std::string& pattern, size_t pos, const char* text) {
    for (size_t i = 0; text[i] != '\0'; ++i)
        if (pos + i >= pattern.size() || platform::asciiLower(pattern[pos + i]) != text[i])
            return false;
    return true;
}

const TokenText* tokenAt(const std::string& pattern, size_t pos) {
    for (const TokenText& t : kTokens)
        if (matchesAt(pattern, pos, t.text))
            return &t;
    return nullptr;
}

bool isHour(Token t) {
    return t == Token::Hour1 || t == Token::Hour2;
}

std::string number(int value, bool twoDigits) {
    std::string text = std::to_string(value);
    return twoDigits && text.size() < 2 ? "0" + text : text;
}

/// The locale's designator for before or after noon; AM and PM where the locale has none.
std::string amPmDesignator(int hour) {
    std::tm fields{};
    fields.tm_hour = hour;
    char text[64] = "";
    const size_t n = std::strftime(text, sizeof text, "%p", &fields);
    if (n > 0)
        return std::string(text, n);
    return hour < 12 ? "AM" : "PM";
}

std::string render(Token t, const platform::CalendarTime& v, bool twelveHour) {
    const int hour = twelveHour ? (v.hour % 12 == 0 ? 12 : v.hour % 12) : v.hour;
    switch (t) {
        case Token::Year4:
            return number(v.year, false);
        case Token::Year2:
            return number(v.year % 100, true);
        case Token::Month2:
            return number(v.month, true);
        case Token::Month1:
            return number(v.month, false);
        case Token::Day2:
            return number(v.day, true);
        case Token::Day1:
            return number(v.day, false);
        case Token::Hour2:
            return number(hour, true);
        case Token::Hour1:
            return number(hour, false);
        case Token::Minute2:
            return number(v.minute, true);
        case Token::Minute1:
            return number(v.minute, false);
        case Token::Second2:
            return number(v.second, true);
        case Token::Second1:
            return number(v.second, false);
        case Token::AmPm:
            return amPmDesignator(v.hour);
    }
    return "";
}

/// A month token right after an hour token (literals between them do not count) is minutes.
Token applyMinuteRule(Token t, bool afterHour) {
    if (!afterHour)
        return t;
    if (t == Token::Month2)
        return Token::Minute2;
    if (t == Token::Month1)
        return Token::Minute1;
    return t;
}

bool containsAmPm(const std::string& pattern) {
    for (size_t pos = 0; pos < pattern.size(); ++pos)
        if (matchesAt(pattern, pos, "ampm"))
            return true;
    return false;
}

/// True when path's folder holds an entry that matches its name only without regard to case.
/// Each folder is read once into folders; an unreadable folder holds nothing.
bool hasCaseVariant(const std::string& path, FolderEntries& folders) {
    const std::string folder = platform::folderOf(path);
    auto [entries, added] = folders.try_emplace(folder);
    if (added)
        platform::listDirectory(folder, [&set = entries->second](const platform::DirEntry& entry) {
            set.insert(entry.name);
            return true;
        });
    const std::string_view name = platform::nameOf(path);
    const auto [first, last] = entries->second.equal_range(name);
    return std::any_of(first, last, [name](const std::string& entry) { return entry != name; });
}

/// The first name of Base X, Base_1 X, Base_2 X ... that is free; with overwrite, the first
/// the run has not reserved and no entry of another case holds, whatever is there under
/// exactly that name (so a rerun gives the same names).
std::string pickFreeName(const std::string& base, const std::string& ext, const NameTarget& where) {
    FolderEntries listed;
    FolderEntries& folders = where.folders ? *where.folders : listed;
    auto taken = [&](const std::string& name) {
        if (where.reserved && where.reserved(name))
            return true;
        if (hasCaseVariant(name, folders))
            return true;
        return !where.overwrite && platform::entryExists(name);
    };
    std::string candidate = base + ext;
    if (!taken(candidate))
        return candidate;
    long local = 1;
    long& k = where.nextNumber ? (*where.nextNumber)[base + ext] : local;
    for (k = std::max(k, 1L);; ++k) {
        candidate = base + "_" + std::to_string(k) + ext;
        if (!taken(candidate))
            return candidate;
    }
}

constexpr char kLeavesFolder[] = "The new name would leave its folder.";

/// Why a new name made of stem (without its folder) and ext cannot be used; "" when it can.
/// A hidden or empty name would leave a recording where no file manager shows it.
std::string refusalOf(const std::string& stem, const std::string& ext) {
    const std::string name = stem + ext;
    if (platform::holdsNameBreak(stem) || name == "." || name == "..")
        return kLeavesFolder;
    if (stem.empty())
        return "The new name would be empty: nothing stands before its extension.";
    if (stem[0] == '.')
        return "The new name would begin with \".\", which hides the file.";
    return "";
}

/// The target-file rule of the command line: T U, or with the text first T's folder, U, T's name.
std::string targetFileBase(const std::string& t, const Settings& s) {
    if (!s.textBeforeDate)
        return t + s.userText;
    const size_t slash = platform::lastSeparator(t);
    const size_t cut = slash == std::string::npos ? 0 : slash + 1;
    return t.substr(0, cut) + s.userText + t.substr(cut);
}

/// A new name before its running number: folder and stem, the extension with its dot, and
/// why it cannot be used ("" when it can).
struct Composed {
    std::string base, ext, refusal;
};

/// The date part of a copy's name: the recording time or the file time in the date format, or
/// the source's base name without a format.
std::string dateText(const std::string& source, const std::string& baseName, const Settings& s,
                     const std::optional<platform::CalendarTime>& recorded) {
    if (s.dateFormat.empty())
        return baseName;
    return recorded ? formatFileTime(*recorded, s.dateFormat)
                    : getFileTimeName(source, s.timeSource, s.dateFormat).value_or("");
}

}  // namespace

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(platform::asciiLower(x)) <
               static_cast<unsigned char>(platform::asciiLower(y));
    });
}

std::string formatFileTime(const platform::CalendarTime& value, const std::string& pattern) {
    const bool twelveHour = containsAmPm(pattern);
    std::string out;
    bool afterHour = false;
    for (size_t pos = 0; pos < pattern.size();) {
        const TokenText* t = tokenAt(pattern, pos);
        if (t == nullptr) {
            out += pattern[pos++];
            continue;
        }
        const Token token = applyMinuteRule(t->token, afterHour);
        out += render(token, value, twelveHour);
        afterHour = isHour(token);
        pos += std::char_traits<char>::length(t->text);
    }
    return out;
}

std::string composeStem(const std::string& dateText, const std::string& userText, bool textBeforeDate) {
    return textBeforeDate ? userText + dateText : dateText + userText;
}

std::string buildTargetName(const std::string& source, const Settings& s, const NameTarget& where,
                            const std::optional<platform::CalendarTime>& recorded, std::string* refusal) {
    std::string name, folder, ext;
    splitPath(source, name, folder, ext);
    Composed c;
    if (where.target.empty()) {
        const std::string stem = composeStem(name, s.userText, s.textBeforeDate);
        c = {folder + stem, "." + (s.renameExt.empty() ? ext : s.renameExt), ""};
        if (platform::equalsNoCase(c.base + c.ext, source))
            return source;
        c.refusal = refusalOf(stem, c.ext);
    } else if (!where.targetIsDir) {
        c = {targetFileBase(where.target, s), "." + s.renameExt, ""};
        const std::string stem(platform::nameOf(c.base));
        c.refusal = platform::holdsNameBreak(s.userText) ? kLeavesFolder : refusalOf(stem, c.ext);
    } else {
        const std::string stem =
            composeStem(dateText(source, name, s, recorded), s.userText, s.textBeforeDate);
        c = {withTrailingSeparator(where.target) + stem, "." + s.renameExt,
             refusalOf(stem, "." + s.renameExt)};
    }
    if (c.refusal.empty())
        return pickFreeName(c.base, c.ext, where);
    if (refusal)
        *refusal = c.refusal;
    return "";
}

}  // namespace kadrel
