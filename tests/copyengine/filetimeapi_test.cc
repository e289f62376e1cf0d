#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "copyengine/FileAPI.h"
#include "copyengine/FiletimeAPI.h"
#include "platform/filesys.h"
#include "support/tempdir.h"

namespace kadrel {
namespace {

constexpr int64_t kClipTime = 1236262029;    // 2009-03-05 14:07:09 UTC
constexpr int64_t kCameraDefault = 315568800;  // 1980-01-01 10:00:00 UTC

class FileTimes : public ::testing::Test {
protected:
    void SetUp() override { useZone("UTC"); }
    void TearDown() override { useZone("UTC"); }
    static void useZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    std::string fileAt(const std::string& name, int64_t lastWrite, int64_t lastAccess = kClipTime) {
        const std::string path = dir.write(name, "data");
        platform::FileTimes t;
        t.lastWrite = {lastWrite, 123456789};
        t.lastAccess = {lastAccess, 987654321};
        EXPECT_TRUE(platform::setFileTimes(path, t));
        return path;
    }
    test::TempDir dir;
};

TEST_F(FileTimes, LastWriteTimeAsTextAndStampInLocalTime) {
    const std::string clip = fileAt("MOV001.MOD", kClipTime);
    EXPECT_EQ(getFileTimeText(clip), "05/03/2009 14:07:09");
    EXPECT_EQ(getFileTimeStamp(clip), "20090305140709");
    EXPECT_EQ(getFileTimeName(clip, 1, "yy-mm-dd_Hh-Nn-Ss"), "09-03-05_14-07-09");
    useZone("EST5");  // five hours behind UTC
    EXPECT_EQ(getFileTimeText(clip), "05/03/2009 09:07:09");
    EXPECT_EQ(getFileTimeStamp(clip), "20090305090709");
}

TEST_F(FileTimes, OnlyPlainVisibleFilesHaveTimes) {
    const std::string hidden = fileAt(".MOV001.MOD", kClipTime);
    for (const std::string& path : {hidden, dir.file("missing.MOD"), dir.path()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(getFileTimeName(path, 1, "yy"), "");
        EXPECT_EQ(getFileTimeText(path), "");
        EXPECT_EQ(getFileTimeStamp(path), "");
    }
}

TEST_F(FileTimes, ChoiceOfTheNamingTime) {
    // A copy made now has a birth time later than its last write, as copied clips do.
    const std::string copied = fileAt("copied.MOD", kClipTime);
    platform::FileTimes t;
    ASSERT_TRUE(platform::getFileTimes(copied, t));
    EXPECT_EQ(getFileTimeName(copied, 2, "yyyymmddHhNnSs"), "20090305140709");
    EXPECT_EQ(getFileTimeName(copied, -3, "yyyymmddHhNnSs"), "20090305140709");  // negative: last write
    EXPECT_EQ(getFileTimeName(copied, 7, "yyyymmddHhNnSs"), "20090305140709");
    // Setting 0 takes the creation time, which a file system without birth times replaces by
    // the last write time.
    platform::CalendarTime created;
    ASSERT_TRUE(platform::toLocalCalendar(t.creation, created));
    EXPECT_EQ(getFileTimeName(copied, 0, "yyyy"), std::to_string(created.year));
}

TEST_F(FileTimes, SaveRestoreAndCopyAreExactToTheNanosecond) {
    const std::string a = fileAt("a.MOD", kClipTime, kClipTime + 60);
    const std::string b = fileAt("b.MPG", kCameraDefault, kCameraDefault);
    const filetimes saved = saveFileTimes(a);
    EXPECT_EQ(saved.lastWrite, (platform::FileTime{kClipTime, 123456789}));
    EXPECT_EQ(saved.lastAccess, (platform::FileTime{kClipTime + 60, 987654321}));
    ASSERT_TRUE(restoreFileTimes(b, saved));
    platform::FileTimes now;
    ASSERT_TRUE(platform::getFileTimes(b, now));
    EXPECT_EQ(now.lastWrite, saved.lastWrite);
    EXPECT_EQ(now.lastAccess, saved.lastAccess);

    const std::string c = fileAt("c.MPG", kCameraDefault, kCameraDefault);
    copyFileTimes(a, c);
    ASSERT_TRUE(platform::getFileTimes(c, now));
    EXPECT_EQ(now.lastWrite, saved.lastWrite);
    EXPECT_EQ(now.lastAccess, saved.lastAccess);

    EXPECT_EQ(saveFileTimes(dir.file("missing")), filetimes{});
    EXPECT_FALSE(restoreFileTimes(dir.file("missing"), saved));
    copyFileTimes(a, dir.file("missing"));  // silent
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST_F(FileTimes, ClearAttributesMakesReadOnlyFilesWritable) {
    const std::string f = dir.write("clip.MOD", "x");
    ASSERT_TRUE(platform::setReadOnly(f));
    EXPECT_EQ(clearAttributes(f, platform::kAttrReadOnly), 1u);
    EXPECT_EQ(platform::getAttributes(f) & platform::kAttrReadOnly, 0);
    EXPECT_EQ(clearAttributes(f, platform::kAttrReadOnly), 1u);  // nothing to do
    EXPECT_EQ(clearAttributes(dir.file("missing"), platform::kAttrReadOnly), 0u);
}

}  // namespace
}  // namespace kadrel
