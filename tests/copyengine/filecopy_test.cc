#include "platform/filecopy.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "support/tempdir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

/// Fails the copy with ENOSPC at one offset, as a full disk would.
struct FullDiskAt : platform::CopyFaults {
    int64_t offset = -1;
    int beforeSlice(int64_t at) override { return at == offset ? ENOSPC : 0; }
};

TEST(FileCopy, CopiesByteForByteInSlicesAndReplacesOnlyWhenAskedAndComplete) {
    test::TempDir dir;
    std::mt19937 gen(42);
    std::string data(1024 * 1024 + 123, '\0');
    for (char& c : data) c = static_cast<char>(gen());
    const std::string src = dir.write("clip.MOD", data);
    const std::string target = dir.write("out/clip.mpg", "older recording");
    FullDiskAt faults;
    std::vector<int64_t> seen;
    platform::CopyOptions o;
    o.sliceBytes = 256 * 1024;
    o.faults = &faults;
    o.progress = [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, static_cast<int64_t>(data.size()));
        seen.push_back(done);
    };
    EXPECT_EQ(platform::copyFile(src, target, o), EEXIST);
    EXPECT_EQ(test::readAll(target), "older recording");
    o.replaceExisting = true;
    faults.offset = 512 * 1024;  // halfway
    EXPECT_EQ(platform::copyFile(src, target, o), ENOSPC);
    EXPECT_EQ(test::readAll(target), "older recording");
    faults.offset = -1;
    seen.clear();
    EXPECT_EQ(platform::copyFile(src, target, o), 0);
    EXPECT_TRUE(test::readAll(target) == data);
    EXPECT_EQ(seen, (std::vector<int64_t>{1 << 18, 2 << 18, 3 << 18, 4 << 18, 1024 * 1024 + 123}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("out")), fs::directory_iterator{}), 1);
    EXPECT_FALSE(platform::isSameFile(src, target));
    EXPECT_TRUE(platform::isSameFile(src, dir.path() + "out/../clip.MOD"));
}

TEST(FileCopy, MoveRenamesButNeverOverAnotherFileUnlessAsked) {
    test::TempDir dir;
    const std::string a = dir.write("a.MOD", "a");
    const std::string b = dir.write("b.MPG", "b");
    platform::CopyOptions o;
    EXPECT_EQ(platform::moveFile(a, b, o), EEXIST);
    EXPECT_EQ(test::readAll(a) + test::readAll(b), "ab");
    EXPECT_EQ(platform::moveFile(a, dir.file("c.MPG"), o), 0);
    EXPECT_FALSE(fs::exists(a));
    o.replaceExisting = true;
    EXPECT_EQ(platform::moveFile(dir.file("c.MPG"), b, o), 0);
    EXPECT_EQ(test::readAll(b), "a");
    EXPECT_EQ(platform::moveFile(dir.file("gone.MOD"), dir.file("d.MPG"), o), ENOENT);
}

}  // namespace
}  // namespace kadrel
