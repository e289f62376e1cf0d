#include "app/debuglog.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace kadrel {
namespace {

TEST(DebugLog, EachOpenTruncatesAndLinesEndWithCrLf) {
    test::TempDir dir;
    const std::string path = debugLogPath(dir.path());
    EXPECT_EQ(path, dir.path() + "kadrel.dbg");
    DebugLog log;
    ASSERT_TRUE(log.openDebugLog(path));
    log.writeDebugLine("first run");
    log.closeDebugLog();
    ASSERT_TRUE(log.openDebugLog(path));
    log.writeDebugLine("source file:/a/b.MOD");
    log.writeDebugLine("");
    log.closeDebugLog();
    log.closeDebugLog();  // closing twice does nothing
    EXPECT_EQ(test::readAll(path), "source file:/a/b.MOD\r\n\r\n");
}

TEST(DebugLog, UncreatableLogDropsLinesWithoutFailingTheRun) {
    test::TempDir dir;
    DebugLog log;
    EXPECT_FALSE(log.openDebugLog(dir.path() + "missing/folder/kadrel.dbg"));
    EXPECT_FALSE(log.isOpen());
    log.writeDebugLine("dropped");  // must not crash
    log.closeDebugLog();
}

}  // namespace
}  // namespace kadrel
