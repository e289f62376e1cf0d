#include "settings/settings_file.h"

#include <algorithm>
#include <set>

#include "platform/file_system.h"
#include "platform/profile.h"

namespace kadrel {

std::string readIniKey(const std::string& file, const std::string& section, const std::string& key) {
    std::optional<std::string> value = platform::readProfileString(file, section, key);
    if (!value)
        return {};
    std::string& text = *value;
    if (text.size() > kIniBufferSize - 1)
        text.resize(kIniBufferSize - 1);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

bool writeIniKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    return platform::writeProfileString(file, section, key, value);
}

const std::array<std::string_view, kFileFormatLineCount> kFileFormatLines = {
    ";",
    "; possible file formats(d,m,H,M,S: no leading 0,     dd,mm,HH,MM,SS: leading 0):",
    "; if the key datetimeformat is left blank then the original filename will be used instead of a datetime "
    "format.",
    "; yy-dd-mm_HH-MM-SS",
    "; yyyy-dd-mm_HH-MM-SS",
    "; yy-d-m_H-M-S",
    "; yyyy-d-m_H-M-S",
    "; yy-mm-dd_HH-MM-SS",
    "; yyyy-mm-dd_HH-MM-SS",
    "; yy-m-d_H-M-S",
    "; yyyy-m-d_H-M-S",
    "; mm-dd-yy_HH-MM-SS",
    "; mm-dd-yyyy_HH-MM-SS",
    "; m-d-yy_H-M-S",
    "; m-d-yyyy_H-M-S",
    "; dd-mm-yy_HH-MM-SS",
    "; dd-mm-yyyy_HH-MM-SS",
    "; d-m-yy_HH-MM-SS",
    "; d-m-yyyy_HH-MM-SS",
    "; yymmdd_HHMMSS",
    "; yyyymmdd_HHMMSS",
    "; yymd_HMS",
    "; yyyymd_HMS",
    "; mmddyy_HHMMSS",
    "; mmddyyyy_HHMMSS",
    "; mdyy_HMS",
    "; mdyyyy_HMS",
    "; ddmmyy_HHMMSS",
    "; ddmmyyyy_HHMMSS",
    "; dmyy_HHMMSS",
    "; dmyyyy_HHMMSS",
    "; yy-dd-mm",
    "; yyyy-dd-mm",
    "; yy-d-m",
    "; the following 2 formats require the system locale set to English(United States)via Control "
    "Panel->Regional Options",
    "; mm-dd-yy_HH-MM-SS-AMPM",
    "; yy-mm-dd_HH-MM-SS-AMPM",
    "datetimeformat=yyyymmdd_HHMMSS",
};

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

std::string readKey(const std::string& file, const char* key) {
    return readIniKey(file, kSettingsSection, key);
}

void writeKey(const std::string& file, const char* key, const std::string& value) {
    writeIniKey(file, kSettingsSection, key, value);
}

void writeBrowserKey(const std::string& file, const char* key, int64_t value) {
    writeIniKey(file, kBrowserSection, key, std::to_string(value));
}

std::string flagText(bool flag) {
    return flag ? "1" : "0";
}

BrowserSettings defaultBrowser() {
    return BrowserSettings{.xpos = 0, .ypos = 0, .height = 7000, .width = 10000, .thumbnailSize = 1};
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
    s.dateFormat = readKey(f, "datetimeformat");
    s.deleteFiles = iniFlag(readKey(f, "deletefiles"));
    s.manifest = iniFlag(readKey(f, "manifest"));
    s.modifySde = clampModifySde(readKey(f, "modify_sde"), false);
    s.modifyRdiPck = clampModifyRdiPck(readKey(f, "modify_rdi-pck"));
    s.overwrite = iniFlag(readKey(f, "overwrite_files"));
    s.timeSource = timeSourceFromText(readKey(f, "use_modificationtime"));
    s.useMoi = iniFlag(readKey(f, "use_moi"));
}

// A section without xpos is taken as missing and written anew with the defaults.
void readBrowserSection(Settings& s) {
    const std::string& f = s.iniFile;
    const std::string xpos = readIniKey(f, kBrowserSection, "xpos");
    if (xpos.empty()) {
        s.browser = defaultBrowser();
        saveBrowserSettings(s);
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
    s.browser = defaultBrowser();
    s.modifySde = 1;
    s.modifyRdiPck = 1;
    s.timeSource = TimeSource::Earlier;
}

// The date format a fresh file gets: the value of the key line that ends the comment block.
std::string freshDateFormat() {
    const std::string_view keyLine = kFileFormatLines.back();
    return std::string(keyLine.substr(keyLine.find('=') + 1));
}

// A first command-line run, before any settings file exists, names the copies as it would once the
// window has written a fresh file; it writes none itself, so a script never leaves one behind.
void setFreshCommandLineValues(Settings& s) {
    Settings fresh;
    setFreshDefaults(fresh);
    s.textBeforeDate = fresh.textBeforeDate;
    s.deleteFiles = fresh.deleteFiles;
    s.dateFormat = freshDateFormat();
    s.timeSource = fresh.timeSource;
    // A fresh file holds neither key, so they take the command line's blank values.
    s.modifySde = clampModifySde("", true);
    s.modifyRdiPck = clampModifyRdiPck("");
}

std::string cannotReadText(const std::string& file, const std::string& why) {
    return "Can not read ini-File\r\n" + file + "\r\n(" + why +
           ")\r\n\r\nProgram will continue with the settings of a new file; the file is left as it is.";
}

/// Whether file can be read; one that cannot is reported once, and is no reason to guess.
platform::ProfileState checkSettingsFile(const std::string& file, SettingsErrors& errors) {
    std::string why;
    const platform::ProfileState state = platform::checkProfileFile(file, why);
    if (state == platform::ProfileState::Unreadable)
        errors.push_back(cannotReadText(file, why));
    return state;
}

std::string cannotWriteText(const std::string& file) {
    return "Can not write to ini-File\r\n" + file +
           "\r\n\r\nCheck write access!\r\n\r\nProgram will continue but settings will not be saved.";
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

int16_t clampModifySde(const std::string& text, bool commandLine) {
    if (text.empty())
        return commandLine ? 2 : 1;
    const int16_t value = iniInt16(text);
    return value > (commandLine ? 2 : 3) ? 0 : value;
}

int16_t clampModifyRdiPck(const std::string& text) {
    if (text.empty())
        return 1;
    const int16_t value = iniInt16(text);
    return value > 2 ? 1 : value;
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
    settings.iniUnreadable = state == platform::ProfileState::Unreadable;
    if (state == platform::ProfileState::Readable) {
        readSettingsSection(settings);
        readBrowserSection(settings);
        return errors;
    }
    setFreshDefaults(settings);
    if (settings.iniUnreadable) {
        settings.dateFormat = freshDateFormat();
        return errors;
    }
    saveMainSettings(settings, false);
    if (!appendFileFormatSection(settings.iniFile))
        errors.push_back(cannotWriteText(settings.iniFile));
    saveBrowserSettings(settings);
    settings.dateFormat = readKey(settings.iniFile, "datetimeformat");
    return errors;
}

void saveMainSettings(const Settings& settings, bool minimised) {
    if (settings.iniUnreadable)
        return;
    const std::string& f = settings.iniFile;
    writeKey(f, "lastsourcedir", settings.lastSourceDir);
    writeKey(f, "lasttargetdir", settings.lastTargetDir);
    writeKey(f, "setws", flagText(settings.setWideScreen));
    writeKey(f, "SearchFor", settings.searchExt);
    writeKey(f, "RenameTo", settings.renameExt);
    writeKey(f, "AddedText", settings.userText);
    writeKey(f, "TextbeforeDate", flagText(settings.textBeforeDate));
    writeKey(f, "overwrite_files", flagText(settings.overwrite));
    if (!minimised) {
        writeKey(f, "xpos", std::to_string(settings.xpos));
        writeKey(f, "ypos", std::to_string(settings.ypos));
    }
    writeKey(f, "deletefiles", flagText(settings.deleteFiles));
    // Only the window's option writes the key: a new file does not hold it.
    if (settings.manifest || !readKey(f, "manifest").empty())
        writeKey(f, "manifest", flagText(settings.manifest));
}

void saveBrowserSettings(const Settings& settings) {
    if (settings.iniUnreadable)
        return;
    const std::string& f = settings.iniFile;
    writeBrowserKey(f, "xpos", settings.browser.xpos);
    writeBrowserKey(f, "ypos", settings.browser.ypos);
    writeBrowserKey(f, "height", settings.browser.height);
    writeBrowserKey(f, "width", settings.browser.width);
    writeBrowserKey(f, "ThumbnailSize", settings.browser.thumbnailSize);
}

bool appendFileFormatSection(const std::string& file) {
    std::string block;
    for (const std::string_view line : kFileFormatLines)
        block.append(line).append("\r\n");
    if (platform::appendText(file, block))
        return true;
    // One warning per settings file and run is enough; later failures stay silent.
    static std::set<std::string> reported;
    return !reported.insert(file).second;
}

SettingsErrors loadCommandLineSettings(Settings& settings) {
    const std::string& f = settings.iniFile;
    SettingsErrors errors;
    if (checkSettingsFile(f, errors) != platform::ProfileState::Readable) {
        setFreshCommandLineValues(settings);
        return errors;
    }
    settings.textBeforeDate = iniFlag(readKey(f, "TextbeforeDate"));
    settings.dateFormat = readKey(f, "datetimeformat");
    // Linux keeps no creation time that a copy carries over: the birth time of a clip copied to
    // disk is the time of that copy. The window's rule (by default the earlier of birth and
    // last write) names such clips by their recording time, so the command line follows it.
    settings.timeSource = timeSourceFromText(readKey(f, "use_modificationtime"));
    settings.deleteFiles = iniFlag(readKey(f, "deletefiles"));
    // /V and /M, read before, turn theirs on for this run whatever the file says.
    settings.manifest = settings.manifest || iniFlag(readKey(f, "manifest"));
    settings.modifySde = clampModifySde(readKey(f, "modify_sde"), true);
    settings.modifyRdiPck = clampModifyRdiPck(readKey(f, "modify_rdi-pck"));
    settings.useMoi = settings.useMoi || iniFlag(readKey(f, "use_moi"));
    return errors;
}

bool readDebugMode(const std::string& file) {
    std::string why;
    if (platform::checkProfileFile(file, why) != platform::ProfileState::Readable)
        return false;
    return iniIsOne(readIniKey(file, kSettingsSection, "debugmode"));
}

}  // namespace kadrel
