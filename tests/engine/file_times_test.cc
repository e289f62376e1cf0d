#include "engine/copy/file_times.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

constexpr int64_t kClipTime = 1236262029;      // 2009-03-05 14:07:09 UTC
constexpr int64_t kCameraDefault = 315576000;  // 1980-01-01 12:00:00 UTC
constexpr int64_t kEarly = 1230768000;         // 2009-01-01 00:00:00 UTC

TEST(FileTimes, NamingTimeRules) {
    test::ZoneForTest zone("UTC");
    struct Row {
        const char* rule;
        int64_t creation, lastWrite;
        TimeSource use;
        int64_t expected;
    } rows[] = {
        {"creation as chosen, even when later", kClipTime, kEarly, TimeSource::Creation, kClipTime},
        {"last write as chosen, even when later", kEarly, kClipTime, TimeSource::LastWrite, kClipTime},
        {"earlier: creation before last write", kEarly, kClipTime, TimeSource::Earlier, kEarly},
        {"earlier: last write before creation", kClipTime, kEarly, TimeSource::Earlier, kEarly},
        {"earlier: a camera's 1 January 1980 never counts", kCameraDefault, kClipTime, TimeSource::Earlier,
         kClipTime},
        {"creation on 1 January 1980 when chosen", kCameraDefault, kClipTime, TimeSource::Creation,
         kCameraDefault},
    };
    for (const Row& row : rows) {
        const FileTimes times{{row.creation, 0}, {row.lastWrite, 0}, {row.lastWrite, 0}};
        EXPECT_EQ(namingTime(times, row.use).sec, row.expected) << row.rule;
    }
}

TEST(FileTimes, LastWriteTimeInLocalTimeAndNothingForOtherEntries) {
    test::ZoneForTest zone("UTC");
    test::TempDir dir;
    const std::string clip = dir.write("MOV001.MOD", "data");
    const std::string hidden = dir.write(".MOV001.MOD", "data");
    for (const std::string& f : {clip, hidden})
        ASSERT_EQ(platform::setFileTimes(f, {{}, {kClipTime, 123456789}, {kClipTime + 60, 987654321}}), 0);
    // Last write and the earlier time on a copy (born now, written 2009): the last write.
    for (const TimeSource use : {TimeSource::LastWrite, TimeSource::Earlier})
        EXPECT_EQ(getFileTimeName(clip, use, "yyyymmddHhNnSs"), "20090305140709");
    test::ZoneForTest behind("EST5");  // five hours behind UTC
    EXPECT_EQ(getFileTimeText(clip), "05/03/2009 09:07:09");
    EXPECT_EQ(getFileTimeStamp(clip), "20090305090709");
    EXPECT_EQ(getFileTimeName(clip, TimeSource::LastWrite, "yy-mm-dd_Hh-Nn-Ss"), "09-03-05_09-07-09");
    for (const std::string& path : {hidden, dir.file("missing.MOD"), dir.path()}) {
        EXPECT_FALSE(getFileTimeName(path, TimeSource::LastWrite, "yy")) << path;
        EXPECT_FALSE(getFileTimeText(path)) << path;
        EXPECT_FALSE(getFileTimeStamp(path)) << path;
    }
}

TEST(FileTimes, FailuresNameTheFileAndChangeNothing) {
    test::TempDir dir;
    const std::string f = dir.write("clip.MOD", "x");
    const std::string missing = dir.file("missing");
    FileTimes saved;
    EXPECT_TRUE(saveFileTimes(missing, saved).failed());
    EXPECT_EQ(saved, FileTimes{}) << "a failed save leaves the record as it was";
    ASSERT_TRUE(saveFileTimes(f, saved).ok());
    for (const Outcome& o : {restoreFileTimes(missing, saved), copyFileTimes(f, missing)})
        EXPECT_TRUE(o.failed() && o.error == ENOENT && o.file == missing) << o.file;
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace kadrel
