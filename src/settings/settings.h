// The program-wide run settings and the keys of Kadrel.ini that fill them.
#pragma once

#include <cstdint>
#include <string>

namespace kadrel {

/// Position, size (twips) and thumbnail size of the thumbnail browser.
struct BrowserSettings {
    int32_t xpos = 0;
    int32_t ypos = 0;
    int32_t height = 7000;
    int32_t width = 10000;
    int16_t ThumbnailSize = 1;
};

/// One set of run settings per process, named as in the settings file.
struct Settings {
    std::string inifile;  ///< full path of Kadrel.ini
    std::string sourcedir;
    std::string targetdir;  ///< empty: patch mode
    std::string searchext = "MOD";
    std::string renameext = "MPG";
    std::string usertext;
    std::string lastsourcedir;
    std::string lasttargetdir;
    std::string dateformat;      ///< the pattern in force for runs
    std::string dateformattext;  ///< the format name as written in the file
    bool setws = false;
    bool overwrite = false;
    bool TextbeforeDate = false;
    bool deletefiles = false;
    bool debugmode = false;
    bool use_moi = false;              ///< names and the 16:9 choice from the clips' .MOI companions
    int16_t use_modificationtime = 0;  ///< 0 creation, 1 last write, 2 the earlier
    int16_t modify_sde = 2;
    int16_t modify_rdi_pck = 1;  ///< key "modify_rdi-pck"
    int32_t xpos = 0;
    int32_t ypos = 0;
    BrowserSettings browser;
};

}  // namespace kadrel
