#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <tuple>
#include <utility>

#include "settings/settings_fixture.h"
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
    std::filesystem::permissions(readOnly.iniFile, std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::group_read |
                                                       std::filesystem::perms::others_read);
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
