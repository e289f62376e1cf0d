#include "settings/settingsfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "settings/APIforINIfiles.h"
#include "support/fakeui.h"
#include "support/tempdir.h"

namespace kadrel {
namespace {

using test::FakeUi;
using test::readAll;
using test::TempDir;

struct NumberCase {
    const char* text;
    int16_t asInt16;
    int32_t asInt32;
    bool flag;
    bool isOne;
};

TEST(SettingsNumberTest, LeadingNumberRoundedHalfToEvenAndSaturated) {
    const NumberCase cases[] = {
        {"", 0, 0, false, false},
        {"abc", 0, 0, false, false},
        {"  42", 42, 42, true, false},
        {"\t7 apples", 7, 7, true, false},
        {"1", 1, 1, true, true},
        {"1.0", 1, 1, true, true},
        {"1abc", 1, 1, true, true},
        {"01", 1, 1, true, true},
        {"+1", 1, 1, true, true},
        {"-1", -1, -1, true, false},
        {"0.5", 0, 0, true, false},
        {"1.5", 2, 2, true, false},
        {"2.5", 2, 2, true, false},
        {"-2.5", -2, -2, true, false},
        {"2.50001", 3, 3, true, false},
        {"2.4999", 2, 2, true, false},
        {".5", 0, 0, true, false},
        {"-.7", -1, -1, true, false},
        {"5.", 5, 5, true, false},
        {"1e3", 1, 1, true, true},
        {"1,5", 1, 1, true, true},
        {"- 5", 0, 0, false, false},
        {"0.000", 0, 0, false, false},
        {"-0", 0, 0, false, false},
        {"40000", 32767, 40000, true, false},
        {"-40000", -32768, -40000, true, false},
        {"32767.5", 32767, 32768, true, false},
        {"99999999999999999999999", 32767, INT32_MAX, true, false},
        {"-99999999999999999999999.9", -32768, INT32_MIN, true, false},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(iniInt16(c.text), c.asInt16) << '"' << c.text << '"';
        EXPECT_EQ(iniInt32(c.text), c.asInt32) << '"' << c.text << '"';
        EXPECT_EQ(iniFlag(c.text), c.flag) << '"' << c.text << '"';
        EXPECT_EQ(iniIsOne(c.text), c.isOne) << '"' << c.text << '"';
    }
}

struct ClampCase {
    const char* text;
    int16_t sdeWindow;
    int16_t sdeCommandLine;
    int16_t rdiPck;
    int16_t modificationTime;
};

TEST(SettingsNumberTest, ClampsEachKeyToItsRange) {
    const ClampCase cases[] = {
        {"", 1, 2, 1, 2},    {"0", 0, 0, 0, 0},      {"1", 1, 1, 1, 1},   {"2", 2, 2, 2, 2},
        {"3", 3, 0, 1, 2},   {"5", 0, 0, 1, 2},      {"7", 0, 0, 1, 2},   {"9", 0, 0, 1, 2},
        {"2.6", 3, 0, 1, 2}, {"-4", -4, -4, -4, -4}, {"abc", 0, 0, 0, 0}, {"70000", 0, 0, 1, 2},
    };
    for (const ClampCase& c : cases) {
        EXPECT_EQ(clampModifySde(c.text, false), c.sdeWindow) << '"' << c.text << '"';
        EXPECT_EQ(clampModifySde(c.text, true), c.sdeCommandLine) << '"' << c.text << '"';
        EXPECT_EQ(clampModifyRdiPck(c.text), c.rdiPck) << '"' << c.text << '"';
        EXPECT_EQ(clampUseModificationTime(c.text), c.modificationTime) << '"' << c.text << '"';
    }
}

const char kFreshFile[] =
    "[Settings]\r\n"
    "lastsourcedir=\r\n"
    "lasttargetdir=\r\n"
    "setws=0\r\n"
    "SearchFor=MOD\r\n"
    "RenameTo=MPG\r\n"
    "AddedText=\r\n"
    "TextbeforeDate=0\r\n"
    "overwrite_files=0\r\n"
    "xpos=0\r\n"
    "ypos=0\r\n"
    "deletefiles=0\r\n"
    ";\r\n"
    "; possible file formats(d,m,H,M,S: no leading 0,     dd,mm,HH,MM,SS: leading 0):\r\n"
    "; if the key datetimeformat is left blank then the original filename will be used instead of a datetime "
    "format.\r\n"
    "; yy-dd-mm_HH-MM-SS\r\n"
    "; yyyy-dd-mm_HH-MM-SS\r\n"
    "; yy-d-m_H-M-S\r\n"
    "; yyyy-d-m_H-M-S\r\n"
    "; yy-mm-dd_HH-MM-SS\r\n"
    "; yyyy-mm-dd_HH-MM-SS\r\n"
    "; yy-m-d_H-M-S\r\n"
    "; yyyy-m-d_H-M-S\r\n"
    "; mm-dd-yy_HH-MM-SS\r\n"
    "; mm-dd-yyyy_HH-MM-SS\r\n"
    "; m-d-yy_H-M-S\r\n"
    "; m-d-yyyy_H-M-S\r\n"
    "; dd-mm-yy_HH-MM-SS\r\n"
    "; dd-mm-yyyy_HH-MM-SS\r\n"
    "; d-m-yy_HH-MM-SS\r\n"
    "; d-m-yyyy_HH-MM-SS\r\n"
    "; yymmdd_HHMMSS\r\n"
    "; yyyymmdd_HHMMSS\r\n"
    "; yymd_HMS\r\n"
    "; yyyymd_HMS\r\n"
    "; mmddyy_HHMMSS\r\n"
    "; mmddyyyy_HHMMSS\r\n"
    "; mdyy_HMS\r\n"
    "; mdyyyy_HMS\r\n"
    "; ddmmyy_HHMMSS\r\n"
    "; ddmmyyyy_HHMMSS\r\n"
    "; dmyy_HHMMSS\r\n"
    "; dmyyyy_HHMMSS\r\n"
    "; yy-dd-mm\r\n"
    "; yyyy-dd-mm\r\n"
    "; yy-d-m\r\n"
    "; the following 2 formats require the system locale set to English(United States)via Control "
    "Panel->Regional Options\r\n"
    "; mm-dd-yy_HH-MM-SS-AMPM\r\n"
    "; yy-mm-dd_HH-MM-SS-AMPM\r\n"
    "datetimeformat=yyyymmdd_HHMMSS\r\n"
    "[ThumbnailBrowser]\r\n"
    "xpos=0\r\n"
    "ypos=0\r\n"
    "height=7000\r\n"
    "width=10000\r\n"
    "ThumbnailSize=1\r\n";

TEST(SettingsFileTest, FreshFileHasTheDesignedLayout) {
    TempDir dir;
    Settings s;
    s.inifile = dir.file("Kadrel.ini");
    s.usertext = "left over";
    s.searchext = "JPG";
    FakeUi ui;
    loadinifile(s, ui);
    EXPECT_EQ(readAll(s.inifile), kFreshFile);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(s.dateformat, "yyyymmdd_HHMMSS");
    EXPECT_EQ(s.searchext, "MOD");
    EXPECT_EQ(s.modify_sde, 1);
    EXPECT_EQ(s.use_modificationtime, 2);

    // Loading it again reads the same values and leaves the file as it is.
    Settings again;
    again.inifile = s.inifile;
    loadinifile(again, ui);
    EXPECT_EQ(again.searchext, "MOD");
    EXPECT_EQ(again.renameext, "MPG");
    EXPECT_EQ(again.dateformat, "yyyymmdd_HHMMSS");
    EXPECT_EQ(again.browser.height, 7000);
    EXPECT_EQ(again.browser.ThumbnailSize, 1);
    EXPECT_EQ(readAll(s.inifile), kFreshFile);
}

TEST(SettingsFileTest, EveryKeyReachesItsField) {
    TempDir dir;
    Settings s;
    s.inifile = dir.write("Kadrel.ini",
                          "[Settings]\nlastsourcedir=/card\nlasttargetdir=/video\nsetws=1\nTextbeforeDate=2\n"
                          "SearchFor=mpg\nRenameTo=mpeg\nxpos=150.5\nypos=-30\nAddedText= holiday \n"
                          "datetimeformat=dd-mm-yy\ndeletefiles=1\nmodify_sde=5\nmodify_rdi-pck=7\n"
                          "overwrite_files=1\nuse_modificationtime=9\n"
                          "[ThumbnailBrowser]\nxpos=11\nypos=12\nheight=13\nwidth=14\nThumbnailSize=2\n");
    FakeUi ui;
    loadinifile(s, ui);
    EXPECT_EQ(s.lastsourcedir, "/card");
    EXPECT_EQ(s.lasttargetdir, "/video");
    EXPECT_TRUE(s.setws);
    EXPECT_TRUE(s.TextbeforeDate);
    EXPECT_EQ(s.searchext, "mpg");
    EXPECT_EQ(s.renameext, "mpeg");
    EXPECT_EQ(s.xpos, 150);
    EXPECT_EQ(s.ypos, -30);
    EXPECT_EQ(s.usertext, "holiday");
    EXPECT_EQ(s.dateformat, "dd-mm-yy");
    EXPECT_TRUE(s.deletefiles);
    EXPECT_EQ(s.modify_sde, 0);
    EXPECT_EQ(s.modify_rdi_pck, 1);
    EXPECT_TRUE(s.overwrite);
    EXPECT_EQ(s.use_modificationtime, 2);
    EXPECT_EQ(s.browser.xpos, 11);
    EXPECT_EQ(s.browser.ypos, 12);
    EXPECT_EQ(s.browser.height, 13);
    EXPECT_EQ(s.browser.width, 14);
    EXPECT_EQ(s.browser.ThumbnailSize, 2);
}

TEST(SettingsFileTest, BrowserSectionWithoutXposIsRewrittenWithDefaults) {
    TempDir dir;
    Settings s;
    s.inifile = dir.write("Kadrel.ini",
                          "[Settings]\r\nSearchFor=MPG\r\n[ThumbnailBrowser]\r\nheight=1234\r\nwidth=99\r\n");
    FakeUi ui;
    loadinifile(s, ui);
    EXPECT_EQ(s.browser.height, 7000);
    EXPECT_EQ(s.browser.width, 10000);
    EXPECT_EQ(readAll(s.inifile),
              "[Settings]\r\nSearchFor=MPG\r\n[ThumbnailBrowser]\r\nheight=7000\r\nwidth=10000\r\n"
              "xpos=0\r\nypos=0\r\nThumbnailSize=1\r\n");
}

TEST(SettingsFileTest, CommandLineReadsOnlyItsKeys) {
    TempDir dir;
    Settings s;
    s.inifile = dir.write("Kadrel.ini",
                          "[Settings]\r\nSearchFor=JPG\r\nTextbeforeDate=1\r\n"
                          "datetimeformat=d-m-yy_HH-MM-SS\r\ndeletefiles=0\r\nmodify_sde=3\r\n"
                          "modify_rdi-pck=2\r\nuse_modificationtime=1\r\n");
    s.searchext = "MOD";
    loadinifileCL(s);
    EXPECT_EQ(s.searchext, "MOD");
    EXPECT_EQ(s.use_modificationtime, 0);
    EXPECT_TRUE(s.TextbeforeDate);
    EXPECT_EQ(s.dateformat, "d-m-yy_HH-MM-SS");
    EXPECT_FALSE(s.deletefiles);
    EXPECT_EQ(s.modify_sde, 0);
    EXPECT_EQ(s.modify_rdi_pck, 2);

    Settings blank;
    blank.inifile = dir.write("blank.ini", "[Settings]\r\nmodify_sde=\r\n");
    loadinifileCL(blank);
    EXPECT_EQ(blank.modify_sde, 2);
    EXPECT_EQ(blank.modify_rdi_pck, 1);
    EXPECT_EQ(blank.dateformat, "");
}

TEST(SettingsFileTest, WritesKeepTheFileAndRespectMinimisedWindow) {
    TempDir dir;
    Settings s;
    s.inifile = dir.file("Kadrel.ini");
    FakeUi ui;
    loadinifile(s, ui);
    s.lastsourcedir = "/media/card";
    s.xpos = 900;
    s.browser.width = 12000;
    writeinifile(s, true);
    writeinifileTB(s);
    Settings back;
    back.inifile = s.inifile;
    loadinifile(back, ui);
    EXPECT_EQ(back.lastsourcedir, "/media/card");
    EXPECT_EQ(back.xpos, 0);  // not stored while minimised
    EXPECT_EQ(back.browser.width, 12000);
    EXPECT_EQ(back.dateformat, "yyyymmdd_HHMMSS");  // the comment block is still there
    writeinifile(s, false);
    loadinifile(back, ui);
    EXPECT_EQ(back.xpos, 900);
}

TEST(SettingsFileTest, ReadOnlyFileChangesNothing) {
    TempDir dir;
    Settings s;
    s.inifile = dir.file("Kadrel.ini");
    FakeUi ui;
    loadinifile(s, ui);
    ASSERT_EQ(chmod(s.inifile.c_str(), 0444), 0);
    s.lastsourcedir = "/elsewhere";
    s.browser.xpos = 77;
    writeinifile(s, false);
    writeinifileTB(s);
    EXPECT_EQ(readAll(s.inifile), kFreshFile);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SettingsFileTest, UnwritableFolderWarnsOnceAndKeepsSettingsInMemory) {
    TempDir dir;
    Settings s;
    // A parent that is a regular file cannot hold the settings file, whoever runs the test.
    s.inifile = dir.write("plain", "x") + "/Kadrel.ini";
    FakeUi ui;
    loadinifile(s, ui);
    loadinifile(s, ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    const test::ShownMessage& m = ui.messages[0];
    EXPECT_EQ(m.text,
              "Can not write to ini-File\r\n" + s.inifile +
                  "\r\n\r\nCheck write access!\r\n\r\nProgram will continue but settings will not be saved.");
    EXPECT_EQ(m.title, "ERROR");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(s.searchext, "MOD");
    EXPECT_EQ(s.renameext, "MPG");
    EXPECT_EQ(s.browser.width, 10000);
    EXPECT_EQ(readAll(dir.file("plain")), "x");
}

TEST(SettingsFileTest, GarbageFileReadsAsBlanksAndKeepsItsBytes) {
    TempDir dir;
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 37) % 256);
    Settings s;
    s.inifile = dir.write("Kadrel.ini", garbage);
    FakeUi ui;
    loadinifile(s, ui);
    EXPECT_EQ(s.searchext, "");
    EXPECT_EQ(s.modify_sde, 1);
    EXPECT_EQ(s.browser.height, 7000);
    EXPECT_EQ(readAll(s.inifile).substr(0, garbage.size()), garbage);
}

struct DebugCase {
    const char* contents;
    bool on;
};

TEST(SettingsFileTest, DebugModeOnlyForOne) {
    const DebugCase cases[] = {
        {"[Settings]\r\ndebugmode=1.0\r\n", true},
        {"[Settings]\r\ndebugmode=2\r\n", false},
        {"[Settings]\r\ndebugmode=\r\n", false},
        {"[Other]\r\ndebugmode=1\r\n", false},
    };
    TempDir dir;
    for (const DebugCase& c : cases) {
        EXPECT_EQ(readDebugMode(dir.write("Kadrel.ini", c.contents)), c.on) << c.contents;
    }
    EXPECT_FALSE(readDebugMode(dir.file("missing.ini")));
}

TEST(IniKeyTest, ReadsThroughTheFixedBuffer) {
    TempDir dir;
    const std::string longValue(40000, 'v');
    const std::string file = dir.write(
        "k.ini", "[S]\r\nlong=" + longValue + "\r\n" + std::string("nul=ab\0cd\r\n", 11) + "x=1\r\n");
    EXPECT_EQ(ReadIniKey(file, "S", "long"), std::string(kIniBufferSize - 1, 'v'));
    EXPECT_EQ(ReadIniKey(file, "S", "nul"), "ab");
    EXPECT_EQ(ReadIniKey(file, "S", "missing"), "");
    EXPECT_EQ(ReadIniKey(dir.file("none.ini"), "S", "x"), "");
    EXPECT_TRUE(WriteIniKey(file, "s", "X", "2"));
    EXPECT_EQ(ReadIniKey(file, "S", "x"), "2");
    EXPECT_EQ(ReadIniKey(file, "S", "long").size(), kIniBufferSize - 1);
}

}  // namespace
}  // namespace kadrel
