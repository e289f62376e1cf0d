#include "engine/copy/file_times.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

constexpr int64_t kClipTime = 1236262029;  // 2009-03-05 14:07:09 UTC

void useZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

TEST(FileTimes, LastWriteTimeInLocalTimeAndNothingForOtherEntries) {
    useZone("UTC");
    test::TempDir dir;
    const std::string clip = dir.write("MOV001.MOD", "data");
    const std::string hidden = dir.write(".MOV001.MOD", "data");
    for (const std::string& f : {clip, hidden})
        ASSERT_TRUE(platform::setFileTimes(f, {{}, {kClipTime, 123456789}, {kClipTime + 60, 987654321}}));
    // Last write and the earlier time on a copy (born now, written 2009): the last write.
    for (const TimeSource use : {TimeSource::LastWrite, TimeSource::Earlier})
        EXPECT_EQ(getFileTimeName(clip, use, "yyyymmddHhNnSs"), "20090305140709");
    useZone("EST5");  // five hours behind UTC
    EXPECT_EQ(getFileTimeText(clip), "05/03/2009 09:07:09");
    EXPECT_EQ(getFileTimeStamp(clip), "20090305090709");
    EXPECT_EQ(getFileTimeName(clip, TimeSource::LastWrite, "yy-mm-dd_Hh-Nn-Ss"), "09-03-05_09-07-09");
    useZone("UTC");
    for (const std::string& path : {hidden, dir.file("missing.MOD"), dir.path()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(getFileTimeName(path, TimeSource::LastWrite, "yy") + getFileTimeText(path) +
                      getFileTimeStamp(path),
                  "");
    }
}

TEST(FileTimes, FailuresAreSilent) {
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
