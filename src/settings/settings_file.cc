#include "settings/settings_file.h"

#include <algorithm>
#include <set>

#include "platform/file_system.h"
#include "platform/profile.h"
#include "settings/date_formats.h"

namespace kadrel {

std::string readIniKey(const std::string& file, const std::string& section, const std::string& key) {
    std::string text;
    if (platform::readProfileString(file, section, key, text) != 0)
        return {};
    if (text.size() > kMaxValueLength)
        text.resize(kMaxValueLength);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

int writeIniKey(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value) {
    return platform::writeProfileString(file, section, key, value);
}

std::vector<std::string> fileFormatLines() {
    std::vector<std::string> lines = {
        ";",
        "; datetimeformat names each copy by its file's date and time: one of the formats below, or a",
        "; pattern of your own made of these letters (upper and lower case alike):",
        ";   yyyy: year   yy: its last 2 digits   mm m: month   dd d: day",
        ";   hh h: hour   nn n: minute   ss s: second   AMPM: AM or PM, with hours from 1 to 12",
        ";   mm m right after an hour (other characters between them do not count): minute",
        "; doubled letters keep a leading 0, single ones have none; other characters are copied,",
        "; but a \"/\" is refused, as it would put the copies into another folder.",
        "; if the key datetimeformat is left blank then the original filename will be used instead of a "
        "datetime format.",
    };
    for (const DateFormatRow& row : kDateFormats) {
        // The table's last two rows are the ones with AMPM.
        if (&row == &kDateFormats[kDateFormats.size() - 2])
            lines.emplace_back(
                "; the following 2 formats end in AM or PM (in the window, as the desktop's language writes "
                "it)");
        lines.push_back(std::string("; ") + row.name);
    }
    lines.emplace_back("datetimeformat=yyyymmdd_HHMMSS");
    return lines;
}

namespace {

// ---- number conversion -----------------------------------------------------------------------

struct LeadingNumber {
    bool valid = false;
    bool negative = false;
    std::string_view integer;   // digits without leading zeros
    std::string_view fraction;  // digits after the point
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t skipDigits(std::string_view text, size_t i) {
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

LeadingNumber parseLeadingNumber(std::string_view text) {
    LeadingNumber n;
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos)
        return n;
    if (text[i] == '+' || text[i] == '-')
        n.negative = (text[i++] == '-');
    const size_t intEnd = skipDigits(text, i);
    n.integer = text.substr(i, intEnd - i);
    if (intEnd < text.size() && text[intEnd] == '.') {
        const size_t fracEnd = skipDigits(text, intEnd + 1);
        n.fraction = text.substr(intEnd + 1, fracEnd - intEnd - 1);
    }
    n.valid = !n.integer.empty() || !n.fraction.empty();
    const size_t firstSignificant = n.integer.find_first_not_of('0');
    n.integer.remove_prefix(std::min(firstSignificant, n.integer.size()));
    return n;
}

// Whether dropping the fraction must round the magnitude up: above a half, or exactly a half
// on an odd integer part.
bool roundsUp(const LeadingNumber& n) {
    if (n.fraction.empty() || n.fraction[0] != '5')
        return !n.fraction.empty() && n.fraction[0] > '5';
    if (n.fraction.find_first_not_of('0', 1) != std::string_view::npos)
        return true;
    return !n.integer.empty() && (n.integer.back() - '0') % 2 == 1;
}

// Rounded value saturated to [lo, hi]; the limits of every caller lie well within 18 digits.
int64_t roundedNumber(const std::string& text, int64_t lo, int64_t hi) {
    const LeadingNumber n = parseLeadingNumber(text);
    if (!n.valid)
        return 0;
    constexpr size_t kMaxDigits = 18;
    int64_t magnitude = 0;
    if (n.integer.size() > kMaxDigits) {
        magnitude = 1'000'000'000'000'000'000;
    } else {
        for (const char c : n.integer)
            magnitude = magnitude * 10 + (c - '0');
        if (roundsUp(n))
            ++magnitude;
    }
    return std::clamp(n.negative ? -magnitude : magnitude, lo, hi);
}

// ---- keys ------------------------------------------------------------------------------------

std::string cannotWriteText(const std::string& file) {
    return "Can not write to ini-File\r\n" + file +
           "\r\n\r\nCheck write access!\r\n\r\nProgram will continue but settings will not be saved.";
}

/// The message for a write to file that failed, the first time only: one warning per settings
/// file and run is enough.
SettingsErrors writeFailed(const std::string& file) {
    static std::set<std::string> reported;
    if (!reported.insert(file).second)
        return {};
    return {cannotWriteText(file)};
}

void append(SettingsErrors& errors, const SettingsErrors& more) {
    errors.insert(errors.end(), more.begin(), more.end());
}

std::string readKey(const std::string& file, const char* key) {
    return readIniKey(file, kSettingsSection, key);
}

/// The writes of one save: every key is tried, as one that fails must not keep the others from
/// being saved, and the first failure is kept.
struct KeyWrites {
    const std::string& file;
    const char* section;
    int error = 0;
    void write(const char* key, const std::string& value) {
        const int e = writeIniKey(file, section, key, value);
        error = error != 0 ? error : e;
    }
};

std::string flagText(bool flag) {
    return flag ? "1" : "0";
}

void setDateFormat(Settings& s, const std::string& name) {
    s.dateFormatName = name;
    s.datePattern = formatToPattern(name);
}

void readSettingsSection(Settings& s) {
    const std::string& f = s.iniFile;
    s.lastSourceDir = readKey(f, "lastsourcedir");
    s.lastTargetDir = readKey(f, "lasttargetdir");
    s.setWideScreen = iniFlag(readKey(f, "setws"));
    s.textBeforeDate = iniFlag(readKey(f, "TextbeforeDate"));
    s.searchExt = readKey(f, "SearchFor");
    s.renameExt = readKey(f, "RenameTo");
    s.xpos = iniInt32(readKey(f, "xpos"));
    s.ypos = iniInt32(readKey(f, "ypos"));
    s.userText = readKey(f, "AddedText");
    setDateFormat(s, readKey(f, "datetimeformat"));
    s.deleteFiles = iniFlag(readKey(f, "deletefiles"));
    s.manifest = iniFlag(readKey(f, "manifest"));
    s.sdeMode = sdeModeFromText(readKey(f, "modify_sde"), false);
    s.rdiPckMode = rdiPckModeFromText(readKey(f, "modify_rdi-pck"));
    s.overwrite = iniFlag(readKey(f, "overwrite_files"));
    s.timeSource = timeSourceFromText(readKey(f, "use_modificationtime"));
    s.useMoi = iniFlag(readKey(f, "use_moi"));
}

// A section without xpos is taken as missing and written anew with the defaults.
void readBrowserSection(Settings& s, SettingsErrors& errors) {
    const std::string& f = s.iniFile;
    const std::string xpos = readIniKey(f, kBrowserSection, "xpos");
    if (xpos.empty()) {
        s.browser = BrowserSettings{};
        append(errors, saveBrowserSettings(s));
        return;
    }
    s.browser.xpos = iniInt32(xpos);
    s.browser.ypos = iniInt32(readIniKey(f, kBrowserSection, "ypos"));
    s.browser.height = iniInt32(readIniKey(f, kBrowserSection, "height"));
    s.browser.width = iniInt32(readIniKey(f, kBrowserSection, "width"));
    s.browser.thumbnailSize = iniInt16(readIniKey(f, kBrowserSection, "ThumbnailSize"));
}

void setFreshDefaults(Settings& s) {
    s.lastSourceDir.clear();
    s.lastTargetDir.clear();
    s.userText.clear();
    s.setWideScreen = s.textBeforeDate = s.deleteFiles = s.overwrite = s.useMoi = s.manifest = false;
    s.searchExt = "MOD";
    s.renameExt = "MPG";
    s.xpos = s.ypos = 0;
    s.browser = BrowserSettings{};
    s.sdeMode = kWindowSdeDefault;
    s.rdiPckMode = kRdiPckDefault;
    s.timeSource = TimeSource::Earlier;
}

// The date format a fresh file gets: the value of the key line that ends the comment block.
std::string freshDateFormat() {
    const std::string keyLine = fileFormatLines().back();
    return keyLine.substr(keyLine.find('=') + 1);
}

// A first command-line run, before any settings file exists, names the copies as it would once the
// window has written a fresh file; it writes none itself, so a script never leaves one behind.
void setFreshCommandLineValues(Settings& s) {
    Settings fresh;
    setFreshDefaults(fresh);
    s.textBeforeDate = fresh.textBeforeDate;
    s.deleteFiles = fresh.deleteFiles;
    setDateFormat(s, freshDateFormat());
    s.timeSource = fresh.timeSource;
    // A fresh file holds neither key, so they take the command line's blank values.
    s.sdeMode = kCommandLineSdeDefault;
    s.rdiPckMode = kRdiPckDefault;
}

/// Why a settings file that is there cannot be read, in words for the user.
std::string unreadableReason(platform::ProfileState state, int error) {
    switch (state) {
        case platform::ProfileState::NotRegular:
            return "it is not a regular file";
        case platform::ProfileState::TooLarge:
            return "it is too large to be a settings file";
        case platform::ProfileState::NotText:
            return "it holds a NUL byte, so it is no text file";
        default:
            return platform::systemErrorText(error);
    }
}

std::string cannotReadText(const std::string& file, const std::string& why) {
    return "Can not read ini-File\r\n" + file + "\r\n(" + why +
           ")\r\n\r\nProgram will continue with the settings of a new file; the file is left as it is.";
}

bool isUnreadable(platform::ProfileState state) {
    return state != platform::ProfileState::Readable && state != platform::ProfileState::Missing;
}

/// Whether file can be read; one that cannot is reported once, and is no reason to guess.
platform::ProfileState checkSettingsFile(const std::string& file, SettingsErrors& errors) {
    int error = 0;
    const platform::ProfileState state = platform::checkProfileFile(file, error);
    if (isUnreadable(state))
        errors.push_back(cannotReadText(file, unreadableReason(state, error)));
    return state;
}

}  // namespace

int16_t iniInt16(const std::string& text) {
    return static_cast<int16_t>(roundedNumber(text, INT16_MIN, INT16_MAX));
}

int32_t iniInt32(const std::string& text) {
    return static_cast<int32_t>(roundedNumber(text, INT32_MIN, INT32_MAX));
}

bool iniFlag(const std::string& text) {
    const LeadingNumber n = parseLeadingNumber(text);
    return !n.integer.empty() || n.fraction.find_first_not_of('0') != std::string_view::npos;
}

bool iniIsOne(const std::string& text) {
    const LeadingNumber n = parseLeadingNumber(text);
    return !n.negative && n.integer == "1" && n.fraction.find_first_not_of('0') == std::string_view::npos;
}

SdeMode sdeModeFromText(const std::string& text, bool commandLine) {
    if (text.empty())
        return commandLine ? kCommandLineSdeDefault : kWindowSdeDefault;
    const int16_t value = iniInt16(text);
    const SdeMode last = commandLine ? SdeMode::SequenceHeaderSize : SdeMode::Width720;
    return value < 0 || value > static_cast<int16_t>(last) ? SdeMode::Keep : static_cast<SdeMode>(value);
}

RdiPckMode rdiPckModeFromText(const std::string& text) {
    if (text.empty())
        return kRdiPckDefault;
    return iniInt16(text) <= 0 ? RdiPckMode::Keep : RdiPckMode::SetAspect;
}

TimeSource timeSourceFromText(const std::string& text) {
    if (text.empty())
        return TimeSource::Earlier;
    const int16_t value = iniInt16(text);
    if (value == 0)
        return TimeSource::Creation;
    return value >= 2 ? TimeSource::Earlier : TimeSource::LastWrite;
}

SettingsErrors loadSettings(Settings& settings) {
    SettingsErrors errors;
    const platform::ProfileState state = checkSettingsFile(settings.iniFile, errors);
    settings.iniUnreadable = isUnreadable(state);
    if (state == platform::ProfileState::Readable) {
        readSettingsSection(settings);
        readBrowserSection(settings, errors);
        return errors;
    }
    setFreshDefaults(settings);
    if (settings.iniUnreadable) {
        setDateFormat(settings, freshDateFormat());
        return errors;
    }
    append(errors, saveMainSettings(settings, false));
    append(errors, appendFileFormatSection(settings.iniFile));
    append(errors, saveBrowserSettings(settings));
    setDateFormat(settings, readKey(settings.iniFile, "datetimeformat"));
    return errors;
}

SettingsErrors saveMainSettings(const Settings& settings, bool minimised) {
    if (settings.iniUnreadable)
        return {};
    const std::string& f = settings.iniFile;
    KeyWrites keys{f, kSettingsSection};
    keys.write("lastsourcedir", settings.lastSourceDir);
    keys.write("lasttargetdir", settings.lastTargetDir);
    keys.write("setws", flagText(settings.setWideScreen));
    keys.write("SearchFor", settings.searchExt);
    keys.write("RenameTo", settings.renameExt);
    keys.write("AddedText", settings.userText);
    keys.write("TextbeforeDate", flagText(settings.textBeforeDate));
    keys.write("overwrite_files", flagText(settings.overwrite));
    if (!minimised) {
        keys.write("xpos", std::to_string(settings.xpos));
        keys.write("ypos", std::to_string(settings.ypos));
    }
    keys.write("deletefiles", flagText(settings.deleteFiles));
    // Only the window's option writes the key: a new file does not hold it.
    if (settings.manifest || !readKey(f, "manifest").empty())
        keys.write("manifest", flagText(settings.manifest));
    return keys.error == 0 ? SettingsErrors{} : writeFailed(f);
}

SettingsErrors saveBrowserSettings(const Settings& settings) {
    if (settings.iniUnreadable)
        return {};
    KeyWrites keys{settings.iniFile, kBrowserSection};
    keys.write("xpos", std::to_string(settings.browser.xpos));
    keys.write("ypos", std::to_string(settings.browser.ypos));
    keys.write("height", std::to_string(settings.browser.height));
    keys.write("width", std::to_string(settings.browser.width));
    keys.write("ThumbnailSize", std::to_string(settings.browser.thumbnailSize));
    return keys.error == 0 ? SettingsErrors{} : writeFailed(settings.iniFile);
}

SettingsErrors appendFileFormatSection(const std::string& file) {
    std::string block;
    for (const std::string& line : fileFormatLines())
        block.append(line).append("\r\n");
    return platform::appendText(file, block) == 0 ? SettingsErrors{} : writeFailed(file);
}

SettingsErrors loadCommandLineSettings(Settings& settings) {
    const std::string& f = settings.iniFile;
    SettingsErrors errors;
    if (checkSettingsFile(f, errors) != platform::ProfileState::Readable) {
        setFreshCommandLineValues(settings);
        return errors;
    }
    settings.textBeforeDate = iniFlag(readKey(f, "TextbeforeDate"));
    setDateFormat(settings, readKey(f, "datetimeformat"));
    // Linux keeps no creation time that a copy carries over: the birth time of a clip copied to
    // disk is the time of that copy. The window's rule (by default the earlier of birth and
    // last write) names such clips by their recording time, so the command line follows it.
    settings.timeSource = timeSourceFromText(readKey(f, "use_modificationtime"));
    settings.deleteFiles = iniFlag(readKey(f, "deletefiles"));
    // /V and /M, read before, turn theirs on for this run whatever the file says.
    settings.manifest = settings.manifest || iniFlag(readKey(f, "manifest"));
    settings.sdeMode = sdeModeFromText(readKey(f, "modify_sde"), true);
    settings.rdiPckMode = rdiPckModeFromText(readKey(f, "modify_rdi-pck"));
    settings.useMoi = settings.useMoi || iniFlag(readKey(f, "use_moi"));
    return errors;
}

bool readDebugMode(const std::string& file) {
    int error = 0;
    if (platform::checkProfileFile(file, error) != platform::ProfileState::Readable)
        return false;
    return iniIsOne(readIniKey(file, kSettingsSection, "debugmode"));
}

}  // namespace kadrel
