#include "platform/filecopy.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "support/tempdir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

std::string randomBytes(size_t size) {
    std::mt19937 gen(42);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

/// Names in a folder, so a test sees any temporary file left behind.
std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

/// Fails or interferes at chosen points.
struct ScriptedFaults : platform::CopyFaults {
    int failAtSlice = -1;  // slice index that fails with error
    int error = ENOSPC;
    int slices = 0;
    int beforeSlice(int64_t) override { return slices++ == failAtSlice ? error : 0; }
};

class FileCopy : public ::testing::Test {
protected:
    platform::CopyOptions options(size_t slice = 256 * 1024) {
        platform::CopyOptions o;
        o.sliceBytes = slice;
        o.faults = &faults;
        o.cancel = &cancel;
        return o;
    }
    test::TempDir dir;
    ScriptedFaults faults;
    std::atomic<int32_t> cancel{0};
    const std::string data = randomBytes(1024 * 1024 + 123);
};

TEST_F(FileCopy, CopiesByteForByteInSlicesWithProgress) {
    const std::string src = dir.write("src/clip.MOD", data);
    fs::create_directory(dir.file("out"));
    std::vector<int64_t> seen;
    auto o = options();
    o.progress = [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, static_cast<int64_t>(data.size()));
        seen.push_back(done);
    };
    ASSERT_EQ(platform::copyFile(src, dir.file("out/clip.mpg"), o), 0);
    EXPECT_TRUE(test::readAll(dir.file("out/clip.mpg")) == data);
    ASSERT_EQ(seen.size(), 5u);  // four full slices and the rest
    EXPECT_EQ(seen.front(), 256 * 1024);
    EXPECT_EQ(seen.back(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(entries(dir.file("out")), std::vector<std::string>{"clip.mpg"});
    EXPECT_EQ(platform::fileSize(dir.file("out/clip.mpg")), platform::fileSize(src));
    EXPECT_EQ(platform::flushFile(dir.file("out/clip.mpg")), 0);
    EXPECT_FALSE(platform::isSameFile(src, dir.file("out/clip.mpg")));
    EXPECT_TRUE(platform::isSameFile(src, dir.path() + "src/../src/clip.MOD"));
}

TEST_F(FileCopy, FailuresAndCancelLeaveNothingUnderTheTargetName) {
    const std::string src = dir.write("src/clip.MOD", data);
    fs::create_directory(dir.file("out"));
    const std::string target = dir.file("out/clip.mpg");
    faults.failAtSlice = 2;  // halfway: no space left
    EXPECT_EQ(platform::copyFile(src, target, options()), ENOSPC);
    EXPECT_TRUE(entries(dir.file("out")).empty());

    faults.failAtSlice = -1;
    auto o = options();
    o.progress = [&](int64_t done, int64_t) {
        if (done >= 512 * 1024) cancel = 1;
    };
    EXPECT_EQ(platform::copyFile(src, target, o), platform::kCopyCancelled);
    EXPECT_TRUE(entries(dir.file("out")).empty());

}

TEST_F(FileCopy, ExistingTargetIsReplacedOnlyWhenAskedAndOnlyWhenComplete) {
    const std::string src = dir.write("clip.MOD", data);
    const std::string target = dir.write("out/clip.mpg", "older recording");
    EXPECT_EQ(platform::copyFile(src, target, options()), EEXIST);
    EXPECT_EQ(test::readAll(target), "older recording");

    auto o = options();
    o.replaceExisting = true;
    faults.slices = 0;
    faults.failAtSlice = 1;
    EXPECT_EQ(platform::copyFile(src, target, o), ENOSPC);
    EXPECT_EQ(test::readAll(target), "older recording");
    faults.failAtSlice = -1;
    EXPECT_EQ(platform::copyFile(src, target, o), 0);
    EXPECT_TRUE(test::readAll(target) == data);
    EXPECT_EQ(entries(dir.file("out")), std::vector<std::string>{"clip.mpg"});
}

TEST_F(FileCopy, ReadOnlySourceGivesReadOnlyCopy) {
    const std::string src = dir.write("clip.MOD", "abc");
    fs::permissions(src, fs::perms::owner_read | fs::perms::group_read);
    ASSERT_EQ(platform::copyFile(src, dir.file("copy.mpg"), options()), 0);
    EXPECT_EQ(fs::status(dir.file("copy.mpg")).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(test::readAll(dir.file("copy.mpg")), "abc");
}

TEST_F(FileCopy, MoveRenamesButNeverOverAnotherFileUnlessAsked) {
    const std::string a = dir.write("a.MOD", "a");
    const std::string b = dir.write("b.MPG", "b");
    EXPECT_EQ(platform::moveFile(a, b, options()), EEXIST);
    EXPECT_EQ(test::readAll(a), "a");
    EXPECT_EQ(test::readAll(b), "b");
    EXPECT_EQ(platform::moveFile(a, dir.file("c.MPG"), options()), 0);
    EXPECT_FALSE(fs::exists(a));
    auto o = options();
    o.replaceExisting = true;
    EXPECT_EQ(platform::moveFile(dir.file("c.MPG"), b, o), 0);
    EXPECT_EQ(test::readAll(b), "a");
    EXPECT_EQ(platform::moveFile(dir.file("gone.MOD"), dir.file("d.MPG"), options()), ENOENT);
}

}  // namespace
}  // namespace kadrel
