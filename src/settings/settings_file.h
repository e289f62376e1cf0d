// Loads and saves the run settings in Kadrel.ini: every key with its default and range, the
// number conversion the keys share, and the comment block that documents the date formats.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace kadrel {

/// Size of the result buffer of a key read, its terminating NUL included.
inline constexpr size_t kIniBufferSize = 32767;

/// The value of key in section of file; empty when it cannot be read. A value is cut after
/// kIniBufferSize - 1 characters and at its first NUL, as the settings file's readers expect.
std::string readIniKey(const std::string& file, const std::string& section, const std::string& key);
/// Sets key in section of file to value, keeping every other line. False when nothing was written.
bool writeIniKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

/// Section of the run settings and the main window.
inline constexpr char kSettingsSection[] = "Settings";
/// Section of the thumbnail browser's window.
inline constexpr char kBrowserSection[] = "ThumbnailBrowser";

/// Number of lines that appendFileFormatSection appends.
inline constexpr size_t kFileFormatLineCount = 38;
/// The comment block on date-time formats, ending with the datetimeformat key line.
extern const std::array<std::string_view, kFileFormatLineCount> kFileFormatLines;

/// The leading number of text (blanks, sign, digits, "." digits) rounded half to even and
/// saturated to 16 bits; 0 when text does not begin with a number.
int16_t iniInt16(const std::string& text);
/// As iniInt16, saturated to 32 bits.
int32_t iniInt32(const std::string& text);
/// True when the leading number of text is not 0 (before rounding).
bool iniFlag(const std::string& text);
/// True when the leading number of text is exactly 1 ("1", "1.0", "1x" ...).
bool iniIsOne(const std::string& text);

/// modify_sde from its text: window mode blank 1, above 3 is 0; command line blank 2, above 2 is 0.
int16_t clampModifySde(const std::string& text, bool commandLine);
/// modify_rdi-pck from its text: blank 1, above 2 is 1.
int16_t clampModifyRdiPck(const std::string& text);
/// use_modificationtime from its text: blank and 2 or more the earlier time, 0 the creation
/// time, every other value (negative ones too) the last write time.
TimeSource timeSourceFromText(const std::string& text);

/// What the user must be told about the settings file, in order ("" never): the front end
/// shows each as an error.
using SettingsErrors = std::vector<std::string>;

/// Reads every key of settings.inifile into settings; a missing file is created with defaults.
/// A file that cannot be read is reported and marked iniUnreadable; the settings are then those
/// a new file gets, and nothing is written.
[[nodiscard]] SettingsErrors loadSettings(Settings& settings);
/// Writes the [Settings] keys; the window position only when the window is not minimised.
/// Nothing when the file could not be read.
void saveMainSettings(const Settings& settings, bool minimised);
/// Writes the [ThumbnailBrowser] keys; nothing when the file could not be read.
void saveBrowserSettings(const Settings& settings);
/// Appends the date-time format comment block to file; false the first time it cannot for file
/// (the user is told once; later failures stay silent).
[[nodiscard]] bool appendFileFormatSection(const std::string& file);
/// Reads the keys command-line mode uses, with the command-line ranges. A file that cannot be
/// read is reported and counts as none: the values a new file gets.
[[nodiscard]] SettingsErrors loadCommandLineSettings(Settings& settings);
/// True when the key debugmode of file is numerically 1 (never for a file that cannot be read).
bool readDebugMode(const std::string& file);

}  // namespace kadrel
