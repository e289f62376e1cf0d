#include "copyengine/datetimenames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/fileio.h"
#include "support/tempdir.h"

namespace kadrel {
namespace {

constexpr int64_t kClipTime = 1236262029;  // 2009-03-05 14:07:09 UTC

const platform::CalendarTime kClip{2009, 3, 5, 14, 7, 9};

class DateTimeNames : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        settings.dateformat = "yy-mm-dd_Hh-Nn-Ss";
        settings.usertext = "_Rome";
        settings.renameext = "mpg";
        settings.use_modificationtime = 1;
    }
    /// A clip file written at the given time.
    std::string clip(const std::string& name, int64_t when = kClipTime) {
        const std::string path = dir.write(name, "clip");
        platform::FileTimes t;
        t.lastWrite = t.lastAccess = {when, 0};
        EXPECT_TRUE(platform::setFileTimes(path, t));
        return path;
    }
    NameTarget intoFolder(const std::string& folder, bool overwrite = false) {
        NameTarget where;
        where.target = folder;
        where.overwrite = overwrite;
        return where;
    }

    test::TempDir dir;
    Settings settings;
};

struct FormatCase {
    const char* name;
    const char* expected;  // 5 March 2009, 14:07:09
};

constexpr FormatCase kFormatCases[] = {
    {"yy-dd-mm_HH-MM-SS", "09-05-03_14-07-09"},     {"yyyy-dd-mm_HH-MM-SS", "2009-05-03_14-07-09"},
    {"yy-d-m_H-M-S", "09-5-3_14-7-9"},              {"yyyy-d-m_H-M-S", "2009-5-3_14-7-9"},
    {"yy-mm-dd_HH-MM-SS", "09-03-05_14-07-09"},     {"yyyy-mm-dd_HH-MM-SS", "2009-03-05_14-07-09"},
    {"yy-m-d_H-M-S", "09-3-5_14-7-9"},              {"yyyy-m-d_H-M-S", "2009-3-5_14-7-9"},
    {"mm-dd-yy_HH-MM-SS", "03-05-09_14-07-09"},     {"mm-dd-yyyy_HH-MM-SS", "03-05-2009_14-07-09"},
    {"m-d-yy_H-M-S", "3-5-09_14-7-9"},              {"m-d-yyyy_H-M-S", "3-5-2009_14-7-9"},
    {"dd-mm-yy_HH-MM-SS", "05-03-09_14-07-09"},     {"dd-mm-yyyy_HH-MM-SS", "05-03-2009_14-07-09"},
    {"d-m-yy_HH-MM-SS", "5-3-09_14-07-09"},         {"d-m-yyyy_HH-MM-SS", "5-3-2009_14-07-09"},
    {"yymmdd_HHMMSS", "090305_140709"},             {"yyyymmdd_HHMMSS", "20090305_140709"},
    {"yymd_HMS", "0935_1479"},                      {"yyyymd_HMS", "200935_1479"},
    {"mmddyy_HHMMSS", "030509_140709"},             {"mmddyyyy_HHMMSS", "03052009_140709"},
    {"mdyy_HMS", "3509_1479"},                      {"mdyyyy_HMS", "352009_1479"},
    {"ddmmyy_HHMMSS", "050309_140709"},             {"ddmmyyyy_HHMMSS", "05032009_140709"},
    {"dmyy_HHMMSS", "5309_140709"},                 {"dmyyyy_HHMMSS", "532009_140709"},
    {"yy-dd-mm", "09-05-03"},                       {"yyyy-dd-mm", "2009-05-03"},
    {"yy-d-m", "09-5-3"},                           {"mm-dd-yy_HH-MM-SS-AMPM", "03-05-09_02-07-09-PM"},
    {"yy-mm-dd_HH-MM-SS-AMPM", "09-03-05_02-07-09-PM"},
};

TEST_F(DateTimeNames, EveryFormatRendersTheSameFromItsNameAndItsPattern) {
    ASSERT_EQ(std::size(kFormatCases), dateFormatTable().size());
    for (size_t i = 0; i < dateFormatTable().size(); ++i) {
        const FormatCase& c = kFormatCases[i];
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(dateFormatTable()[i].name, c.name);  // the order the user is offered
        std::string name = c.name;
        const std::string pattern = formatToPattern(name);
        EXPECT_EQ(pattern, dateFormatTable()[i].pattern);
        EXPECT_EQ(formatFileTime(kClip, pattern), c.expected);  // window mode
        EXPECT_EQ(formatFileTime(kClip, c.name), c.expected);   // command line: the name as stored
    }
}

TEST_F(DateTimeNames, FormatNamesAreStrippedAndMatchedExactly) {
    std::string padded = "  yy-d-m  ";
    EXPECT_EQ(formatToPattern(padded), "yy-d-m");
    EXPECT_EQ(padded, "yy-d-m");
    std::string upper = "YY-MM-DD_HH-MM-SS";
    EXPECT_EQ(formatToPattern(upper), "");
    std::string blank = "   ";
    EXPECT_EQ(formatToPattern(blank), "");
    EXPECT_EQ(blank, "");
}

TEST_F(DateTimeNames, FormatterTokensAndTheMinuteRule) {
    const platform::CalendarTime midnight{2009, 11, 5, 0, 30, 5};
    const platform::CalendarTime noon{2009, 11, 5, 12, 4, 5};
    EXPECT_EQ(formatFileTime(midnight, "h:nn AMPM"), "12:30 AM");
    EXPECT_EQ(formatFileTime(noon, "h:nn ampm"), "12:04 PM");
    EXPECT_EQ(formatFileTime(noon, "Hh-dd-mm"), "12-05-11");   // a day token in between: month
    EXPECT_EQ(formatFileTime(noon, "Hh xyz mm"), "12 xyz 04");  // literals in between: minute
    EXPECT_EQ(formatFileTime(noon, "AMPMm"), "PM11");           // AMPM is a token, not an hour
    EXPECT_EQ(formatFileTime(noon, "yyy/[q]"), "09y/[q]");
    EXPECT_EQ(formatFileTime(noon, ""), "");
}

TEST_F(DateTimeNames, CopyRunNamesCollideIntoRunningNumbers) {
    const std::string a = clip("card/a.MOD");
    const std::string out = dir.path() + "out";
    const std::string first = buildTargetName(a, settings, intoFolder(out));
    EXPECT_EQ(first, out + "/09-03-05_14-07-09_Rome.mpg");
    dir.write("out/09-03-05_14-07-09_Rome.mpg", "taken");
    EXPECT_EQ(buildTargetName(a, settings, intoFolder(out + "/")), out + "/09-03-05_14-07-09_Rome_1.mpg");
    dir.write("out/09-03-05_14-07-09_Rome_1.mpg", "taken");
    EXPECT_EQ(buildTargetName(a, settings, intoFolder(out)), out + "/09-03-05_14-07-09_Rome_2.mpg");
    EXPECT_EQ(buildTargetName(a, settings, intoFolder(out, true)), first);  // overwrite takes it

    NameTarget guarded = intoFolder(out, true);
    guarded.reserved = [&](const std::string& n) { return n == first; };
    EXPECT_EQ(buildTargetName(a, settings, guarded), out + "/09-03-05_14-07-09_Rome_2.mpg");
}

TEST_F(DateTimeNames, StemPositionsExtensionsAndMissingDates) {
    const std::string a = clip("card/MOV001.MOD");
    const std::string out = dir.path() + "out/";
    settings.TextbeforeDate = true;
    EXPECT_EQ(buildTargetName(a, settings, intoFolder(out)), out + "_Rome09-03-05_14-07-09.mpg");
    settings.dateformat = "";  // unknown format: the base name stays
    EXPECT_EQ(buildTargetName(a, settings, intoFolder(out)), out + "_RomeMOV001.mpg");
    settings.renameext = "";
    EXPECT_EQ(buildTargetName(a, settings, intoFolder(out)), out + "_RomeMOV001.");
    settings.dateformat = "yy-mm-dd";
    settings.renameext = "mpg";
    EXPECT_EQ(buildTargetName(dir.file("card/gone.MOD"), settings, intoFolder(out)), out + "_Rome.mpg");
}

TEST_F(DateTimeNames, CommandLineTargetFileTakesThePlaceOfFolderAndDate) {
    const std::string a = clip("card/MOV005.MOD");
    NameTarget file;
    file.target = dir.path() + "video/my.clip";  // from video/my.clip.mpg
    file.targetIsDir = false;
    EXPECT_EQ(buildTargetName(a, settings, file), dir.path() + "video/my.clip_Rome.mpg");
    settings.TextbeforeDate = true;
    EXPECT_EQ(buildTargetName(a, settings, file), dir.path() + "video/_Romemy.clip.mpg");
    dir.write("video/_Romemy.clip.mpg", "taken");
    EXPECT_EQ(buildTargetName(a, settings, file), dir.path() + "video/_Romemy.clip_1.mpg");
}

TEST_F(DateTimeNames, PatchModeRenamesInPlaceOrKeepsTheName) {
    const std::string a = clip("card/MOV001.MOD");
    NameTarget patch;
    settings.usertext = "";
    settings.renameext = "";
    EXPECT_EQ(buildTargetName(a, settings, patch), a);  // no text, no extension: unchanged
    settings.renameext = "mod";
    EXPECT_EQ(buildTargetName(a, settings, patch), a);  // equal without regard to case
    settings.usertext = "_x";
    settings.renameext = "MPG";
    dir.write("card/MOV001_x.MPG", "taken");
    EXPECT_EQ(buildTargetName(a, settings, patch), dir.path() + "card/MOV001_x_1.MPG");
    patch.overwrite = true;
    EXPECT_EQ(buildTargetName(a, settings, patch), dir.path() + "card/MOV001_x.MPG");
}

}  // namespace
}  // namespace kadrel
