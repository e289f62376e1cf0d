#include "engine/copy/date_time_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <utility>

#include "engine/copy/name_check.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

const platform::CalendarTime kClip{2009, 3, 5, 14, 7, 9};

// One of each kind: separators, with and without leading zeros, day before month, AM/PM; each
// with 5 March 2009, 14:07:09 in it.
constexpr std::pair<const char*, const char*> kFormatCases[] = {
    {"yy-dd-mm_HH-MM-SS", "09-05-03_14-07-09"},
    {"yyyy-m-d_H-M-S", "2009-3-5_14-7-9"},
    {"d-m-yy_HH-MM-SS", "5-3-09_14-07-09"},
    {"yyyymmdd_HHMMSS", "20090305_140709"},
    {"mdyyyy_HMS", "352009_1479"},
    {"yy-d-m", "09-5-3"},
    {"mm-dd-yy_HH-MM-SS-AMPM", "03-05-09_02-07-09-PM"},
};

TEST(DateTimeFormats, NamesRenderAsTheirPatternsAndTokensFollowTheRules) {
    for (const auto& [format, expected] : kFormatCases)
        EXPECT_EQ(formatFileTime(kClip, formatToPattern(format)), expected) << format;
    // Every name of the table, taken as a pattern of its own, gives what its pattern gives.
    for (const DateFormatRow& row : kDateFormats)
        EXPECT_EQ(formatFileTime(kClip, row.name), formatFileTime(kClip, row.pattern)) << row.name;
    EXPECT_EQ(formatToPattern("YY-MM-DD_HH-MM-SS"), "YY-MM-DD_HH-MM-SS") << "no name: a pattern";
    EXPECT_EQ(formatToPattern(""), "") << "blank: the names are kept";
    const platform::CalendarTime midnight{2009, 11, 5, 0, 30, 5}, noon{2009, 11, 5, 12, 4, 5};
    EXPECT_EQ(formatFileTime(midnight, "h:nn AMPM"), "12:30 AM");
    EXPECT_EQ(formatFileTime(noon, "h:nn ampm"), "12:04 PM");
    EXPECT_EQ(formatFileTime(noon, "Hh-dd-mm"), "12-05-11");    // a day token in between: month
    EXPECT_EQ(formatFileTime(noon, "Hh xyz mm"), "12 xyz 04");  // literals in between: minute
    EXPECT_EQ(formatFileTime(noon, "AMPMm"), "PM11");           // AMPM is a token, not an hour
    EXPECT_EQ(formatFileTime(noon, "yyy/[q]"), "09y/[q]");
}

/// Names for card/MOV001.MOD written 5 March 2009 14:07:09, with format yy-mm-dd_Hh-Nn-Ss.
/// The name buildTargetName gives, or "refused: " and the reason it gives.
std::string builtName(const std::string& source, const Settings& s, const NameTarget& where) {
    std::string name;
    const Outcome named = buildTargetName(source, s, where, name);
    return named.ok() ? name : "refused: " + named.reason;
}

struct NameCase {
    const char* what;
    bool textBeforeDate;
    const char *datePattern, *userText, *renameExt;
    const char* target;  // under the test folder; "" is patch mode
    bool targetIsDir;
    const char* expected;
};

constexpr NameCase kNameCases[] = {
    {"text before the date", true, "yy-mm-dd_Hh-Nn-Ss", "_Rome", "mpg", "out", true,
     "out/_Rome09-03-05_14-07-09.mpg"},
    {"unknown format keeps the base name", false, "", "_Rome", "mpg", "out/", true, "out/MOV001_Rome.mpg"},
    {"empty extension", true, "", "_Rome", "", "out", true, "out/_RomeMOV001."},
    {"target file", false, "yy-mm-dd_Hh-Nn-Ss", "_Rome", "mpg", "video/my.clip", false,
     "video/my.clip_Rome.mpg"},
    {"target file, text before", true, "yy", "_Rome", "mpg", "video/my.clip", false,
     "video/_Romemy.clip.mpg"},
    {"patch, extension equal but for case", false, "yy", "", "mod", "", true, "card/MOV001.MOD"},
    {"target file taken", false, "yy", "_Rome", "mpg", "video/taken", false, "video/taken_Rome_1.mpg"},
};

TEST(DateTimeNames, BuildTargetNameFollowsTheTargetAndTheSettings) {
    test::ZoneForTest zone("UTC");
    test::TempDir dir;
    const std::string source = dir.write(test::native("card/MOV001.MOD"), "clip");
    ASSERT_EQ(platform::setFileTimes(source, {{}, {1236262029, 0}, {1236262029, 0}}), 0);
    dir.write("video/taken_Rome.mpg", "taken");
    Settings s;
    s.timeSource = TimeSource::LastWrite;
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(c.what);
        s.textBeforeDate = c.textBeforeDate;
        s.datePattern = c.datePattern;
        s.userText = c.userText;
        s.renameExt = c.renameExt;
        NameTarget where;
        where.target = *c.target ? dir.path() + test::native(c.target) : "";
        where.targetIsDir = c.targetIsDir;
        EXPECT_EQ(builtName(source, s, where), dir.path() + test::native(c.expected));
    }
    const NameTarget out{dir.path() + "out", true, false, {}}, patch{"", true, false, {}};
    // A source whose times cannot be read: the name is the user text alone.
    EXPECT_EQ(builtName(dir.file("card/gone.MOD"), s, out), dir.path() + test::native("out/_Rome.mpg"));
    // Without user text that name would be the hidden ".mpg": refused, saying why.
    s.userText = "";
    EXPECT_EQ(builtName(dir.file("card/gone.MOD"), s, out),
              "refused: The new name would be empty: nothing stands before its extension.");
    // A hidden original keeps its own name in patch mode: no new name is made for it.
    const std::string hidden = dir.write("card/.x.MOD", "clip");
    s.renameExt = "";
    EXPECT_EQ(builtName(hidden, s, patch), hidden);
    // No user text or date format may carry a name out of its folder.
    const std::string leaves = "refused: The new name would leave its folder.";
    for (const char* text : {"/../x", "/x"}) {
        s.userText = text;
        EXPECT_EQ(builtName(source, s, out), leaves) << text;
        EXPECT_EQ(builtName(source, s, patch), leaves) << text;
    }
    s.userText = "";
    s.datePattern = "../../x_yyyymmdd";
    EXPECT_EQ(builtName(source, s, out), leaves);
}

// Each name looks at a file only a few times, however many of its base name the run has made:
// naming thousands of clips of one second must not grow with the square of their number.
TEST(DateTimeNames, RunningNumbersAreLinear) {
    test::TempDir dir;
    const std::string source = dir.write("card/MOV001.MOD", "clip");
    Settings s;
    s.renameExt = "MPG";
    std::set<std::string> made;
    long looks = 0;
    std::map<std::string, long> numbers;
    NameTarget where{dir.path() + "out", true, false, [&](const std::string& name) {
                         ++looks;
                         return made.count(name) > 0;
                     }};
    where.nextNumber = &numbers;
    for (int i = 0; i < 4000; ++i)
        made.insert(builtName(source, s, where));
    EXPECT_EQ(made.size(), 4000u);
    EXPECT_LE(looks, 3 * 4000);
    EXPECT_EQ(made.count(dir.path() + test::native("out/MOV001_3999.MPG")), 1u);
}

TEST(NameSettingsCheck, RefusesEveryNameThatLeavesTheTargetFolder) {
    const std::string format = "The date format (datetimeformat in Kadrel.ini) ";
    // Windows separates with "\" too, and a ":" there names a hidden stream of another file.
    const bool windows = platform::kSeparator == '\\';
    struct Case {
        const char *formatName, *userText, *renameExt;
        bool textBefore, datedNames;
        std::string culprit;  // "" when the settings are safe
        const char* name;
    } cases[] = {
        {"../../x_yyyymmdd", "", "MPG", false, true, format + "\"../../x_yyyymmdd\"", "../../x_20091231.MPG"},
        {"yyyy/mm", "_Rome", "MPG", true, true, format + "\"yyyy/mm\"", "_Rome2009/12.MPG"},
        {".", "", "", false, true, format + "\".\" with the extension \"\"", ".."},
        {"yyyymmdd", "../up", "MPG", false, true, "The user text \"../up\"", "20091231../up.MPG"},
        {"yyyymmdd", "../up", "MPG", true, false, "The user text \"../up\"", "../upMOV001.MPG"},
        {"yyyymmdd", "", "a/b", false, true, "The rename extension \"a/b\"", "20091231.a/b"},
        {"yyyy/mm", "", "MPG", false, false, "", "a target file or patch mode: no date in the name"},
        {".", "", "MPG", false, true, "", "..MPG"},
        {"yyyymmdd", "..", "", false, true, "", "20091231..."},
        {"", "", "", false, true, "", "the base name is kept"},
        {"yyyy\\mm", "", "MPG", false, true, windows ? format + "\"yyyy\\mm\"" : "", "2009\\12.MPG"},
        {"yyyy-mm-dd Hh:Nn", "", "MPG", false, true, windows ? format + "\"yyyy-mm-dd Hh:Nn\"" : "",
         "2009-12-31 23:58.MPG"},
        {"yyyymmdd", "a\\b", "MPG", false, true, windows ? "The user text \"a\\b\"" : "", "20091231a\\b.MPG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;
        s.dateFormatName = c.formatName;
        s.datePattern = formatToPattern(c.formatName);
        s.userText = c.userText;
        s.renameExt = c.renameExt;
        s.textBeforeDate = c.textBefore;
        const std::string text = c.culprit + " would make file names like \"" + c.name +
                                 "\", which leave the target folder.\r\n\r\nThe run was not started.";
        EXPECT_EQ(nameSettingsProblem(s, c.datedNames), c.culprit.empty() ? "" : text);
    }
}

}  // namespace
}  // namespace kadrel
