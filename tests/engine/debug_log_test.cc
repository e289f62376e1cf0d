#include "engine/debug_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "support/temp_dir.h"

namespace kadrel {
namespace {

TEST(DebugLog, UncreatableLogDropsLinesWithoutFailingTheRun) {
    test::TempDir dir;
    DebugLog log;
    EXPECT_EQ(log.openDebugLog(dir.path() + "missing/folder/kadrel.dbg").error, ENOENT);
    log.writeDebugLine("dropped");  // must not crash
    log.closeDebugLog();
    // A FIFO would block the run, a link could make it overwrite any file: both are ignored.
    const std::string fifo = dir.file("fifo.dbg"), target = dir.write("precious", "keep");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink(target, dir.file("link.dbg"));
    EXPECT_EQ(log.openDebugLog(fifo).error, ENXIO);  // no reader, and never waits for one
    EXPECT_EQ(log.openDebugLog(dir.file("link.dbg")).error, ELOOP);
    EXPECT_EQ(test::readAll(target), "keep");
}

}  // namespace
}  // namespace kadrel
