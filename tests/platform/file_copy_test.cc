#include "platform/file_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>

#include "platform/copy_proof.h"
#include "platform/file_io.h"
#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

namespace fs = std::filesystem;
using test::readAll;

/// Fails the copy with ENOSPC at one offset, as a full disk would; can take the kernel's copy
/// and same-disk renames away.
struct FullDiskAt : FileFaults {
    int64_t offset = -1;
    int kernel = 0;
    int rename = 0;
    int beforeSlice(int64_t at) override { return at == offset ? ENOSPC : 0; }
    int kernelCopy() override { return kernel; }
    int beforeRename(const std::string&, const std::string&) override { return rename; }
};

struct FileCopy : ::testing::Test {
    test::TempDir dir;
    CopyOptions o;
};

TEST_F(FileCopy, CopiesByteForByteInSlicesAndReplacesOnlyWhenAskedAndComplete) {
    std::string data(1024 * 1024 + 123, '\0');
    std::generate(data.begin(), data.end(), std::mt19937(42));
    const std::string src = dir.write("clip.MOD", data);
    const std::string target = dir.write("out/clip.mpg", "older recording");
    FullDiskAt faults;
    std::vector<int64_t> seen;
    o.sliceBytes = 256 * 1024;
    o.faults = &faults;
    o.progress = [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, static_cast<int64_t>(data.size()));
        seen.push_back(done);
    };
    EXPECT_EQ(copyFile(src, target, o), EEXIST);
    EXPECT_EQ(readAll(target), "older recording");
    o.replaceExisting = true;
    faults.offset = 512 * 1024;  // halfway
    EXPECT_EQ(copyFile(src, target, o), ENOSPC);
    EXPECT_EQ(readAll(target), "older recording");
    faults.offset = -1;
    for (const int kernel : {0, ENOSYS}) {  // with and without the kernel's copy
        faults.kernel = kernel;
        seen.clear();
        EXPECT_EQ(copyFile(src, target, o), 0);
        EXPECT_TRUE(readAll(target) == data);
        EXPECT_EQ(seen, (std::vector<int64_t>{1 << 18, 2 << 18, 3 << 18, 4 << 18, 1024 * 1024 + 123}));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("out")), fs::directory_iterator{}), 1);
}

TEST_F(FileCopy, RefusesWhatIsNoRegularFileWithoutBlocking) {
    const std::string fifo = dir.file("x.MOD");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(copyFile(fifo, dir.file("x.mpg"), o), EINVAL);  // returns: no writer needed
    EXPECT_EQ(copyFile(dir.path(), dir.file("y.mpg"), o), EISDIR);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST_F(FileCopy, MoveRenamesButNeverOverAnotherFileUnlessAsked) {
    const std::string a = dir.write("a.MOD", "a");
    const std::string b = dir.write("b.MPG", "b");
    EXPECT_EQ(moveFile(a, b, o), EEXIST);
    EXPECT_EQ(readAll(a) + readAll(b), "ab");
    EXPECT_EQ(moveFile(a, dir.file("c.MPG"), o), 0);
    EXPECT_FALSE(fs::exists(a));
    o.replaceExisting = true;
    EXPECT_EQ(moveFile(dir.file("c.MPG"), b, o), 0);
    EXPECT_EQ(readAll(b), "a");
    EXPECT_EQ(moveFile(dir.file("gone.MOD"), dir.file("d.MPG"), o), ENOENT);

    FullDiskAt otherDisk;  // a rename across file systems copies, keeps the times, then removes
    otherDisk.rename = EXDEV;
    o.faults = &otherDisk;
    ASSERT_TRUE(setFileTimes(b, {{}, {1236262029, 5}, {1236262030, 7}}));
    EXPECT_EQ(moveFile(b, dir.file("e.MPG"), o), 0);
    EXPECT_FALSE(fs::exists(b));
    EXPECT_EQ(readAll(dir.file("e.MPG")), "a");
    FileTimes moved;
    ASSERT_TRUE(getFileTimes(dir.file("e.MPG"), moved));
    EXPECT_EQ(moved.lastWrite, (FileTime{1236262029, 5}));
}

TEST_F(FileCopy, ProofNeedsTheSameFilesAndEqualBytesButForTheScansOffsets) {
    const std::string src = dir.write("clip.MOD", std::string(3 << 20, 'x') + "tail");
    std::string data = readAll(src);
    data[100] = 'y';
    data[(2 << 20) + 5] = 'z';
    const std::string copy = dir.write("copy.mpg", data);
    const FileId s = fileId(src), c = fileId(copy);
    EXPECT_EQ(proveCopy(src, s, copy, c, {100, (2 << 20) + 5}), CopyProof::Proven);
    EXPECT_EQ(proveCopy(src, s, copy, c, {100}), CopyProof::Differs);
    EXPECT_EQ(proveCopy(src, s, copy, c, {}), CopyProof::Differs);
    EXPECT_EQ(proveCopy(copy, c, src, s, {100, (2 << 20) + 5}), CopyProof::Proven);
    // Another file under the copy's name, even one of the same size and bytes, proves nothing.
    const std::string twin = dir.write("twin.mpg", data);
    fs::rename(twin, copy);
    EXPECT_EQ(proveCopy(src, s, copy, c, {100, (2 << 20) + 5}), CopyProof::CopyChanged);
    EXPECT_EQ(proveCopy(src, s, copy, fileId(copy), {100, (2 << 20) + 5}), CopyProof::Proven);
    fs::rename(dir.write("other.MOD", readAll(src)), src);
    EXPECT_EQ(proveCopy(src, s, copy, fileId(copy), {}), CopyProof::SourceChanged);
    fs::remove(copy);
    EXPECT_EQ(proveCopy(src, fileId(src), copy, c, {}), CopyProof::Unreadable);
}

TEST_F(FileCopy, StaleTemporariesOfDeadProcessesOnlyAreRemoved) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);  // its pid names no process now
    const std::string dead = ".kadrel-" + std::to_string(child) + "-3.part";
    const std::string mine = ".kadrel-" + std::to_string(::getpid()) + "-1.part";
    for (const std::string& name :
         {dead, mine, std::string(".kadrel-1-2.part"), std::string(".kadrel-x-1.part"),
          std::string("kadrel-" + std::to_string(child) + "-3.part")})
        dir.write(name, "partial");
    EXPECT_EQ(removeStaleTemporaries(dir.path()), std::vector<std::string>{dead});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 4);
}

}  // namespace
}  // namespace kadrel::platform
