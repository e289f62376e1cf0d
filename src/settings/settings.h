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
    std::string dateFormat;      ///< the pattern in force for runs
    std::string dateFormatName;  ///< the format name as written in the file
    bool setWideScreen = false;
    bool overwrite = false;
    bool textBeforeDate = false;
    bool deleteFiles = false;
    bool debugMode = false;
    bool useMoi = false;    ///< names and the 16:9 choice from the clips' .MOI companions
    bool manifest = false;  ///< keep kadrel.xxh128 beside the copies
    TimeSource timeSource = TimeSource::Creation;  ///< key use_modificationtime
    int16_t modifySde = 2;
    int16_t modifyRdiPck = 1;  ///< key "modify_rdi-pck"
    int32_t xpos = 0;
    int32_t ypos = 0;
    BrowserSettings browser;
};

}  // namespace kadrel
