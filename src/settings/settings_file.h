// Loads and saves the run settings in Kadrel.ini: every key with its default and range, the
// number conversion the keys share, and the comment block that documents the date formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace kadrel {

/// The longest value a key read gives, as the Windows profile functions give it.
inline constexpr size_t kMaxValueLength = 32766;

/// The value of key in section of file; blank when the key is missing or the file cannot be
/// read. A value is cut after kMaxValueLength characters and at its first NUL.
std::string readIniKey(const std::string& file, const std::string& section, const std::string& key);
/// Sets key in section of file to value, keeping every other line. Returns 0 or the error
/// number of the write; a failure writes nothing.
int writeIniKey(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value);

/// Section of the run settings and the main window.
inline constexpr char kSettingsSection[] = "Settings";
/// Section of the thumbnail browser's window.
inline constexpr char kBrowserSection[] = "ThumbnailBrowser";

/// The comment block on date-time formats that a new file gets, ending with the
/// datetimeformat key line.
std::vector<std::string> fileFormatLines();

/// The leading number of text (blanks, sign, digits, "." digits) rounded half to even and
/// saturated to 16 bits; 0 when text does not begin with a number.
int16_t iniInt16(const std::string& text);
/// As iniInt16, saturated to 32 bits.
int32_t iniInt32(const std::string& text);
/// True when the leading number of text is not 0 (before rounding).
bool iniFlag(const std::string& text);
/// True when the leading number of text is exactly 1 ("1", "1.0", "1x" ...).
bool iniIsOne(const std::string& text);

/// modify_sde from its text: blank the mode's default; above the mode's last value (3 in the
/// window, 2 on the command line) and below 0 Keep.
SdeMode sdeModeFromText(const std::string& text, bool commandLine);
/// modify_rdi-pck from its text: 0 and below Keep; blank and every other value SetAspect.
RdiPckMode rdiPckModeFromText(const std::string& text);
/// use_modificationtime from its text: blank and 2 or more the earlier time, 0 the creation
/// time, every other value (negative ones too) the last write time.
TimeSource timeSourceFromText(const std::string& text);

/// What the user must be told about the settings file, in order (none when all went well): the
/// front end shows each as an error. A file that cannot be written is told once per run.
using SettingsErrors = std::vector<std::string>;

/// Reads every key of settings.inifile into settings; a missing file is created with defaults.
/// A file that cannot be read is reported and marked iniUnreadable; the settings are then those
/// a new file gets, and nothing is written.
[[nodiscard]] SettingsErrors loadSettings(Settings& settings);
/// Writes the [Settings] keys; the window position only when the window is not minimised.
/// Nothing when the file could not be read (the load has said so).
[[nodiscard]] SettingsErrors saveMainSettings(const Settings& settings, bool minimised);
/// Writes the [ThumbnailBrowser] keys; nothing when the file could not be read.
[[nodiscard]] SettingsErrors saveBrowserSettings(const Settings& settings);
/// Appends the date-time format comment block to file.
[[nodiscard]] SettingsErrors appendFileFormatSection(const std::string& file);
/// Reads the keys command-line mode uses, with the command-line ranges. A file that cannot be
/// read is reported and counts as none: the values a new file gets.
[[nodiscard]] SettingsErrors loadCommandLineSettings(Settings& settings);
/// True when the key debugmode of file is numerically 1 (never for a file that cannot be read).
bool readDebugMode(const std::string& file);

}  // namespace kadrel
