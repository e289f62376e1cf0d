// Copies meeting POSIX kernel features: a FIFO where a clip should be, and the flock() another
// run holds on its temporary.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/file_copy.h"
#include "platform/platform_fixtures.h"
#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

namespace fs = std::filesystem;
using test::readAll;

struct NoLocks : FileFaults {
    int lockTemporary() override { return ENOLCK; }
};

TEST_F(FileCopy, RefusesWhatIsNoRegularFileWithoutBlocking) {
    const std::string fifo = dir.file("x.MOD");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(copyFile(fifo, dir.file("x.mpg"), o), EINVAL);  // returns: no writer needed
    EXPECT_EQ(copyFile(dir.path(), dir.file("y.mpg"), o), EISDIR);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

/// A temporary file is stale only when no process holds its lock, whatever process id its name
/// holds: a run's staged copy and another holder's file stay, an unlocked one goes.
TEST_F(FileCopy, RemovesOnlyTemporariesNoProcessHoldsLocked) {
    const std::string held = ".kadrel-" + std::to_string(::getpid() + 1) + "-1.part";
    for (const std::string& name : {held, std::string(".kadrel-1-2.part"), std::string("kadrel-1-3.part")})
        dir.write(name, "partial");
    const int holder = ::open(dir.file(held).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);  // as another run holds its copy
    const std::string src = dir.write("clip.MOD", "clip");
    StagedCopy staged;
    ASSERT_EQ(stageCopy(src, dir.file("clip.mpg"), o, staged), 0);
    EXPECT_EQ(removeStaleTemporaries(dir.path()), std::vector<std::string>{".kadrel-1-2.part"});
    EXPECT_EQ(staged.commit(dir.file("clip.mpg"), false), 0);
    EXPECT_EQ(staged.release(), 0);
    EXPECT_EQ(readAll(dir.file("clip.mpg")), "clip");
    ::close(holder);
    EXPECT_EQ(removeStaleTemporaries(dir.path()), std::vector<std::string>{held});
    NoLocks noLocks;  // a file system that refuses locks still copies
    o.faults = &noLocks;
    EXPECT_EQ(copyFile(src, dir.file("again.mpg"), o), 0);
    EXPECT_EQ(readAll(dir.file("again.mpg")), "clip");
}

}  // namespace
}  // namespace kadrel::platform
