#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "engine/debug_log.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

TEST(DebugLog, UncreatableLogDropsLinesWithoutFailingTheRun) {
    test::TempDir dir;
    DebugLog log;
    EXPECT_EQ(log.openDebugLog(dir.path() + "missing/folder/kadrel.dbg").error, ENOENT);
    log.writeDebugLine("dropped");  // must not crash
    log.closeDebugLog();
    // A FIFO would block the run, a link of either kind could make it overwrite any file: all
    // are left alone.
    const std::string fifo = dir.file("fifo.dbg"), target = dir.write("precious", "keep");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink(target, dir.file("link.dbg"));
    std::filesystem::create_hard_link(target, dir.file("hard.dbg"));
    // log, error
    const std::pair<std::string, int> cases[] = {
        {fifo, ENXIO},  // no reader, and never waits for one
        {dir.file("link.dbg"), ELOOP},
        {dir.file("hard.dbg"), EMLINK},
    };
    for (const auto& [path, error] : cases) {
        EXPECT_EQ(log.openDebugLog(path).error, error) << path;
        log.writeDebugLine("dropped");
        log.closeDebugLog();
    }
    EXPECT_EQ(test::readAll(target), "keep");
}

}  // namespace
}  // namespace kadrel
