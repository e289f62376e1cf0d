// The program-wide run settings and the keys of Kadrel.ini that fill them.
#pragma once

#include <cstdint>
#include <string>

namespace kadrel {

/// Which of a file's times names it.
enum class TimeSource : int16_t {
    Creation = 0,
    LastWrite = 1,  ///< survives copies and is what the camera wrote
    Earlier = 2,    ///< the earlier of the two, last write when creation is 1 January 1980
};

/// What the 16:9 scan does with the sequence display extensions (key modify_sde).
enum class SdeMode : int16_t {
    Keep = 0,                ///< neither searched nor changed
    Remove = 1,              ///< overwritten with stuffing, so players take the sequence header's size
    SequenceHeaderSize = 2,  ///< display size set to the sequence header's
    Width720 = 3,            ///< display width 720 with the sequence header's height (window only)
};

/// What the 16:9 scan does with the camcorder's RDI-PCK packets (key modify_rdi-pck).
enum class RdiPckMode : int16_t {
    Keep = 0,       ///< neither searched nor changed when setting; a reset still resets them
    SetAspect = 1,  ///< their aspect ratio follows the sequence headers
};

/// modify_sde when the key is blank or missing: the window removes the extensions, the command
/// line gives them the sequence header's size.
inline constexpr SdeMode kWindowSdeDefault = SdeMode::Remove;
inline constexpr SdeMode kCommandLineSdeDefault = SdeMode::SequenceHeaderSize;
/// modify_rdi-pck when the key is blank, missing or out of range.
inline constexpr RdiPckMode kRdiPckDefault = RdiPckMode::SetAspect;

/// Position, size (twips) and thumbnail size of the thumbnail browser.
struct BrowserSettings {
    int32_t xpos = 0;
    int32_t ypos = 0;
    int32_t height = 7000;
    int32_t width = 10000;
    int16_t thumbnailSize = 1;
};

/// One set of run settings per process, named as in the settings file.
struct Settings {
    std::string iniFile;         ///< full path of Kadrel.ini
    bool iniUnreadable = false;  ///< Kadrel.ini could not be read: never written over
    std::string sourceDir;
    std::string targetDir;  ///< empty: patch mode
    std::string searchExt = "MOD";
    std::string renameExt = "MPG";
    std::string userText;
    std::string lastSourceDir;
    std::string lastTargetDir;
    std::string datePattern;     ///< the pattern names are rendered with; "" keeps the names
    std::string dateFormatName;  ///< datetimeformat as written in the file
    bool setWideScreen = false;
    bool overwrite = false;
    bool textBeforeDate = false;
    bool deleteFiles = false;
    bool debugMode = false;
    bool useMoi = false;    ///< names and the 16:9 choice from the clips' .MOI companions
    bool manifest = false;  ///< keep kadrel.xxh128 beside the copies
    TimeSource timeSource = TimeSource::Creation;  ///< key use_modificationtime
    SdeMode sdeMode = kCommandLineSdeDefault;
    RdiPckMode rdiPckMode = kRdiPckDefault;
    int32_t xpos = 0;
    int32_t ypos = 0;
    BrowserSettings browser;
};

}  // namespace kadrel
