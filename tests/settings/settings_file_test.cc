#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>
#include <utility>

#include "support/temp_dir.h"

namespace kadrel {
namespace {

using namespace test;

TEST(SettingsNumberTest, LeadingNumberRoundedHalfToEvenAndSaturated) {
    // text, iniInt16, iniInt32, iniFlag, iniIsOne
    const std::tuple<const char*, int16_t, int32_t, bool, bool> cases[] = {
        {"", 0, 0, false, false},
        {"  42", 42, 42, true, false},
        {"1.0", 1, 1, true, true},
        {"-1", -1, -1, true, false},
        {"0.5", 0, 0, true, false},
        {"1.5", 2, 2, true, false},
        {"2.5", 2, 2, true, false},
        {"2.50001", 3, 3, true, false},
        {"1e3", 1, 1, true, true},
        {"- 5", 0, 0, false, false},
        {"0.000", 0, 0, false, false},
        {"40000", 32767, 40000, true, false},
        {"99999999999999999999999", 32767, INT32_MAX, true, false},
        {"-99999999999999999999999.9", -32768, INT32_MIN, true, false}};
    for (const auto& [text, asInt16, asInt32, flag, isOne] : cases) {
        SCOPED_TRACE('"' + std::string(text) + '"');
        EXPECT_EQ(iniInt16(text), asInt16);
        EXPECT_EQ(iniInt32(text), asInt32);
        EXPECT_EQ(iniFlag(text), flag);
        EXPECT_EQ(iniIsOne(text), isOne);
    }
}

TEST(SettingsNumberTest, ClampsEachKeyToItsRange) {
    // text, modify_sde in the window and on the command line, modify_rdi-pck, use_modificationtime
    const std::tuple<const char*, int16_t, int16_t, int16_t, int16_t> cases[] = {
        {"", 1, 2, 1, 2},    {"0", 0, 0, 0, 0},  {"1", 1, 1, 1, 1},   {"2", 2, 2, 1, 2},
        {"3", 3, 0, 1, 2},   {"5", 0, 0, 1, 2},  {"7", 0, 0, 1, 2},   {"9", 0, 0, 1, 2},
        {"2.6", 3, 0, 1, 2}, {"-4", 0, 0, 0, 1}, {"abc", 0, 0, 0, 0}, {"70000", 0, 0, 1, 2},
    };
    for (const auto& [text, sdeWindow, sdeCommandLine, rdiPck, modificationTime] : cases) {
        SCOPED_TRACE('"' + std::string(text) + '"');
        EXPECT_EQ(static_cast<int16_t>(sdeModeFromText(text, false)), sdeWindow);
        EXPECT_EQ(static_cast<int16_t>(sdeModeFromText(text, true)), sdeCommandLine);
        EXPECT_EQ(static_cast<int16_t>(rdiPckModeFromText(text)), rdiPck);
        EXPECT_EQ(static_cast<int16_t>(timeSourceFromText(text)), modificationTime);
    }
}

class SettingsFile : public ::testing::Test {
  protected:
    /// Writes contents as the settings file (none when nullopt), loads it in window mode and
    /// returns what the file then holds.
    std::string load(const std::optional<std::string>& contents = std::nullopt) {
        s.iniFile = contents ? dir.write("Kadrel.ini", *contents) : dir.file("Kadrel.ini");
        told(loadSettings(s));
        return readAll(s.iniFile);
    }
    /// Keeps what a front end would show.
    void told(const SettingsErrors& errors) { shown.insert(shown.end(), errors.begin(), errors.end()); }
    TempDir dir;
    std::vector<std::string> shown;
    Settings s;
};

TEST_F(SettingsFile, FreshFileLayoutIsKeptByLoadsAndWrites) {
    const std::string fresh = load();
    EXPECT_NE(fresh.find("\r\ndatetimeformat=yyyymmdd_HHMMSS\r\n[ThumbnailBrowser]\r\n"), std::string::npos);
    EXPECT_TRUE(shown.empty() && s.sdeMode == SdeMode::Remove && s.timeSource == TimeSource::Earlier);
    EXPECT_EQ(load(), fresh);  // loading again changes nothing

    s.lastSourceDir = "/media/card";
    s.xpos = 900;
    s.browser.width = 12000;
    told(saveMainSettings(s, true));
    told(saveBrowserSettings(s));
    Settings back;
    back.iniFile = s.iniFile;
    told(loadSettings(back));
    // The comment block and its key are still there; the position is not stored while minimised.
    EXPECT_EQ(back.lastSourceDir + "|" + back.dateFormatName, "/media/card|yyyymmdd_HHMMSS");
    EXPECT_EQ(std::pair(back.xpos, back.browser.width), std::pair(0, 12000));
    told(saveMainSettings(s, false));
    told(loadSettings(back));
    EXPECT_EQ(back.xpos, 900);
    EXPECT_EQ(readAll(s.iniFile).find("manifest="), std::string::npos)
        << "only the window's option writes it";
    for (const bool ticked : {true, false}) {
        s.manifest = ticked;
        told(saveMainSettings(s, false));
        told(loadSettings(back));
        EXPECT_EQ(back.manifest, ticked);
    }
}

// The command line reads only its own keys, with its own ranges; a blank key takes its default.
TEST_F(SettingsFile, EveryKeyReachesItsFieldAndTheCommandLineReadsOnlyItsOwn) {
    load(
        "[Settings]\nlastsourcedir=/card\nlasttargetdir=/video\nsetws=1\nTextbeforeDate=2\n"
        "SearchFor=mpg\nRenameTo=mpeg\nxpos=150.5\nypos=-30\nAddedText= holiday \n"
        "datetimeformat= dd-mm-yy_HH-MM-SS \ndeletefiles=1\nmodify_sde=3\nmodify_rdi-pck=2\n"
        "overwrite_files=1\nuse_modificationtime=1\nuse_moi=1\n"
        "[ThumbnailBrowser]\nxpos=11\nypos=12\nheight=13\nwidth=14\nThumbnailSize=2\n");
    EXPECT_EQ(s.lastSourceDir + "|" + s.lastTargetDir + "|" + s.searchExt + "|" + s.renameExt + "|" +
                  s.userText + "|" + s.dateFormatName + "|" + s.datePattern,
              "/card|/video|mpg|mpeg|holiday|dd-mm-yy_HH-MM-SS|dd-mm-yy_Hh-Nn-Ss");
    EXPECT_TRUE(s.setWideScreen && s.textBeforeDate && s.deleteFiles && s.overwrite && s.useMoi);
    EXPECT_EQ(std::vector<int>({s.xpos, s.ypos, static_cast<int>(s.sdeMode), static_cast<int>(s.rdiPckMode),
                                static_cast<int>(s.timeSource)}),
              std::vector<int>({150, -30, 3, 1, 1}));
    EXPECT_EQ(std::vector<int>({s.browser.xpos, s.browser.ypos, s.browser.height, s.browser.width,
                                s.browser.thumbnailSize}),
              std::vector<int>({11, 12, 13, 14, 2}));

    Settings line;
    line.iniFile = s.iniFile;
    told(loadCommandLineSettings(line));
    EXPECT_EQ(line.searchExt + "|" + line.renameExt + "|" + line.userText + "|" + line.datePattern,
              "MOD|MPG||dd-mm-yy_Hh-Nn-Ss");
    EXPECT_FALSE(line.setWideScreen || line.overwrite);
    EXPECT_EQ(
        std::vector<int>({line.textBeforeDate, line.deleteFiles, static_cast<int>(line.timeSource),
                          static_cast<int>(line.sdeMode), static_cast<int>(line.rdiPckMode), line.useMoi}),
        std::vector<int>({1, 1, 1, 0, 1, 1}));
    Settings blank;
    blank.iniFile = dir.write("blank.ini", "[Settings]\r\nmodify_sde=\r\nuse_moi=0\r\n");
    blank.useMoi = blank.manifest = true;  // /M and /V turn theirs on whatever the file says
    told(loadCommandLineSettings(blank));
    EXPECT_EQ(std::vector<int>({static_cast<int>(blank.sdeMode), static_cast<int>(blank.rdiPckMode),
                                static_cast<int>(blank.timeSource), blank.useMoi, blank.manifest}),
              std::vector<int>({2, 1, 2, 1, 1}));
    EXPECT_EQ(blank.datePattern, "");
}

TEST_F(SettingsFile, BrowserSectionWithoutXposIsRewrittenWithDefaults) {
    EXPECT_EQ(load("[Settings]\r\nSearchFor=MPG\r\n[ThumbnailBrowser]\r\nheight=1234\r\nwidth=99\r\n"),
              "[Settings]\r\nSearchFor=MPG\r\n[ThumbnailBrowser]\r\nheight=7000\r\n"
              "width=10000\r\nxpos=0\r\nypos=0\r\nThumbnailSize=1\r\n");
    EXPECT_EQ(std::pair(s.browser.height, s.browser.width), std::pair(7000, 10000));
}

// Each settings file is told once per run, however many of its writes fail.
TEST_F(SettingsFile, FailedWritesAreToldOnceAndKeepTheSettingsInMemory) {
    // A parent that is a regular file cannot hold the settings file, whoever runs the test.
    s.iniFile = dir.write("plain", "x") + "/Kadrel.ini";
    told(loadSettings(s));
    told(loadSettings(s));
    told(saveMainSettings(s, false));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(s.iniFile), std::string::npos);
    EXPECT_EQ(s.searchExt + s.renameExt, "MODMPG");
    EXPECT_EQ(s.browser.width, 10000);
    EXPECT_EQ(readAll(dir.file("plain")), "x");
    // A read-only file loads without a word; the window's save when it closes is told.
    const std::string held = "[Settings]\r\nSearchFor=MPG\r\n[ThumbnailBrowser]\r\nxpos=1\r\n";
    Settings readOnly;
    readOnly.iniFile = dir.write("ro.ini", held);
    ASSERT_EQ(::chmod(readOnly.iniFile.c_str(), 0444), 0);
    told(loadSettings(readOnly));
    EXPECT_EQ(shown.size(), 1u);
    told(saveMainSettings(readOnly, false));
    told(saveBrowserSettings(readOnly));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].starts_with("Can not write to ini-File\r\n" + readOnly.iniFile)) << shown[1];
    EXPECT_EQ(readAll(readOnly.iniFile), held);
    // A key that cannot be written keeps none of the keys after it from being saved.
    Settings oneBad;
    oneBad.iniFile = dir.write("one.ini", "");
    oneBad.userText = "two\nlines";
    oneBad.overwrite = true;
    told(saveMainSettings(oneBad, false));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[2].find(oneBad.iniFile), std::string::npos);
    EXPECT_EQ(readIniKey(oneBad.iniFile, kSettingsSection, "overwrite_files"), "1");
}

// A settings file that cannot be read means nothing: not "keep the card names" (a blank
// datetimeformat), but the values a new file gets. It is reported once, and left as it is.
TEST_F(SettingsFile, UnreadableFileIsReportedOnceAndCountsAsNone) {
    namespace fs = std::filesystem;
    const std::string held =
        "[Settings]\r\ndebugmode=1\r\ndatetimeformat=\r\ndeletefiles=1\r\nSearchFor=JPG\r\n";
    const std::string ini = dir.file("Kadrel.ini");
    // what, how to make it, the reason the message gives
    const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(ini.c_str(), 0644), 0); }, "not a regular file"},
        {"NUL byte", [&] { dir.write("Kadrel.ini", held + std::string(1, '\0') + "x"); }, "NUL byte"},
        {"open fails", [&] { fs::create_symlink(ini, ini); }, "Too many levels of symbolic links"},
        {"read fails", [&] { fs::create_symlink("/proc/self/mem", ini); }, "Input/output error"},
    };
    for (const auto& [what, make, reason] : cases) {
        SCOPED_TRACE(what);
        fs::remove(ini);
        make();
        const fs::file_status before = fs::symlink_status(ini);
        const auto heldNow = [&] { return fs::is_regular_file(fs::symlink_status(ini)) ? readAll(ini) : ""; };
        const std::string contents = heldNow();
        shown.clear();
        s = Settings{};
        s.iniFile = ini;
        told(loadSettings(s));
        EXPECT_TRUE(s.iniUnreadable);
        EXPECT_EQ(s.searchExt + "|" + s.dateFormatName, "MOD|yyyymmdd_HHMMSS");
        EXPECT_TRUE(s.timeSource == TimeSource::Earlier && !s.deleteFiles);
        s.lastSourceDir = "/media/card";
        told(saveMainSettings(s, false));
        told(saveBrowserSettings(s));
        EXPECT_EQ(fs::symlink_status(ini).type(), before.type()) << "the window never writes over it";
        EXPECT_EQ(heldNow(), contents);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);

        Settings line;
        line.iniFile = ini;
        told(loadCommandLineSettings(line));
        EXPECT_EQ(line.datePattern, "yyyymmdd_HhNnSs");
        EXPECT_FALSE(line.deleteFiles || readDebugMode(ini));
        ASSERT_EQ(shown.size(), 2u) << "once per mode";
        EXPECT_NE(shown[0].find(ini), std::string::npos) << shown[0];
        EXPECT_NE(shown[0].find(reason), std::string::npos) << shown[0];
    }
    fs::remove(ini);
    dir.write("Kadrel.ini", held);
    EXPECT_TRUE(readDebugMode(ini)) << "the same keys, readable, are read";
}

// Which values count as one is the number table's; here the key's section and the cuts a read makes.
TEST_F(SettingsFile, DebugModeOnlyForOneAndKeysReadThroughTheFixedBuffer) {
    EXPECT_TRUE(readDebugMode(dir.write("on.ini", "[Settings]\r\ndebugmode=1.0\r\n")));
    for (const char* off : {"[Settings]\r\ndebugmode=2\r\n", "[Other]\r\ndebugmode=1\r\n"})
        EXPECT_FALSE(readDebugMode(dir.write("off.ini", off))) << off;

    const std::string file = dir.write("k.ini", "[S]\r\nlong=" + std::string(40000, 'v') + "\r\n" +
                                                    std::string("nul=ab\0cd\r\n", 11) + "x=1\r\n");
    EXPECT_EQ(readIniKey(file, "S", "long"), std::string(kMaxValueLength, 'v'));
    EXPECT_EQ(readIniKey(file, "S", "nul"), "ab");
    EXPECT_EQ(readIniKey(file, "S", "missing") + readIniKey(dir.file("none.ini"), "S", "x"), "");
}

}  // namespace
}  // namespace kadrel
