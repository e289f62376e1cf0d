#include "platform/file_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "platform/copy_proof.h"
#include "platform/file_io.h"
#include "platform/locked_rewrite.h"
#include "platform/platform_fixtures.h"
#include "support/temp_dir.h"

namespace kadrel::platform {
namespace {

namespace fs = std::filesystem;
using test::readAll;

/// Fails the copy with ENOSPC at one offset, as a full disk would; can take the kernel's copy,
/// and same-disk renames away, and run a step before a slice.
struct FullDiskAt : FileFaults {
    int64_t offset = -1;
    int kernel = 0;
    int rename = 0;
    std::function<void(int64_t)> slice = [](int64_t) {};
    std::function<bool(int64_t, bool)> ends = [](int64_t, bool) { return false; };
    int beforeSlice(int64_t at) override {
        slice(at);
        return at == offset ? ENOSPC : 0;
    }
    int kernelCopy() override { return kernel; }
    int beforeRename(const std::string&, const std::string&) override { return rename; }
    bool endsAt(int64_t at, bool kernelCopy) override { return ends(at, kernelCopy); }
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
    Digest read, whole;  // through memory, block by block: the digest of every byte, once
    o.digest = &read;
    EXPECT_EQ(copyFile(src, target, o), 0);
    EXPECT_TRUE(readAll(target) == data);
    ASSERT_EQ(digestOfFile(target, whole), 0);
    EXPECT_EQ(read.hex(), whole.hex());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("out")), fs::directory_iterator{}), 1);
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
    ASSERT_EQ(setFileTimes(b, {{}, {1236262029, 500}, {1236262030, 700}}), 0);
    EXPECT_EQ(moveFile(b, dir.file("e.MPG"), o), 0);
    EXPECT_FALSE(fs::exists(b));
    EXPECT_EQ(readAll(dir.file("e.MPG")), "a");
    FileTimes moved;
    ASSERT_EQ(getFileTimes(dir.file("e.MPG"), moved), 0);
    EXPECT_EQ(moved.lastWrite, (FileTime{1236262029, 500}));
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

/// A copy holds exactly the bytes its source had when the copy began, or takes no name: a source
/// that shrinks, grows, is written or replaced meanwhile fails, and so does a copy whose kernel
/// copy and buffered copy both stop early; a kernel copy alone that stops early is taken over.
TEST_F(FileCopy, TakesItsNameOnlyHoldingTheWholeUnchangedSource) {
    const std::string data(300000, 'c');
    const std::string src = dir.write("clip.MOD", data), target = dir.file("out/clip.mpg");
    fs::create_directories(dir.file("out"));
    const auto rewrite = [&](const std::string& bytes) { std::ofstream(src, std::ios::binary) << bytes; };
    const struct {
        const char* what;
        std::function<void(int64_t)> slice;
        std::function<bool(int64_t, bool)> ends;
        int error;
    } cases[] = {
        {"kernel copy stops early", [](int64_t) {},
         [](int64_t at, bool kernel) { return kernel && at >= 70000; }, 0},
        {"kernel and buffered copy stop early", [](int64_t) {}, [](int64_t at, bool) { return at >= 70000; },
         kCopyIncomplete},
        {"source shrinks",
         [&](int64_t at) { at == 65536 ? rewrite(data.substr(0, 100000)) : void(); },
         {},
         kSourceChanged},
        {"source grows",
         [&](int64_t at) { at == 65536 ? rewrite(data + "more") : void(); },
         {},
         kSourceChanged},
        {"source written with its own bytes",
         [&](int64_t at) { at == 65536 ? rewrite(data) : void(); },
         {},
         kSourceChanged},
        // Moved aside first: Windows renames no file over one that is open, as the source is.
        {"source replaced by an equal file",
         [&](int64_t at) {
             if (at != 65536)
                 return;
             fs::rename(src, dir.file("replaced.MOD"));
             fs::rename(dir.write("twin.MOD", data), src);
         },
         {},
         kSourceChanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rewrite(data);
        ASSERT_EQ(setFileTimes(src, {{}, {1236262029, 500}, {1236262029, 500}}), 0);
        FullDiskAt faults;
        faults.slice = c.slice;
        if (c.ends)
            faults.ends = c.ends;
        o.faults = &faults;
        o.sliceBytes = 65536;
        EXPECT_EQ(copyFile(src, target, o), c.error);
        EXPECT_EQ(fs::exists(target), c.error == 0);
        EXPECT_TRUE(c.error != 0 || readAll(target) == data);
        fs::remove(target);
        EXPECT_TRUE(fs::is_empty(dir.file("out"))) << "no temporary file is left";
    }
}

}  // namespace
}  // namespace kadrel::platform

namespace kadrel::platform {
namespace {

// Runs that rewrite one manifest at the same time each keep every line: the lock on the folder
// lets one read-change-write through at a time.
// Every call that fails returns the system's error number, and 0 only when it did its work.
TEST(Platform, CallsReturnZeroOrTheErrorNumber) {
    test::TempDir dir;
    const std::string file = dir.write("f", "x"), missing = dir.file("missing");
    uint32_t attributes = 99;
    int64_t bytes = -99;
    const auto none = [](const DirEntry&) { return true; };
    FileTimes times;
    CalendarTime local;
    RandomAccessFile open, closed;
    char byte = 0;
    size_t got = 99;
    const struct {
        const char* call;
        int returned;
        int expected;
    } calls[] = {
        {"makeFolders new", makeFolders(dir.file("a/b")), 0},
        {"makeFolders existing", makeFolders(dir.file("a")), 0},
        {"makeFolders under a file", makeFolders(file + "/sub"), ENOTDIR},
        {"makeFolders over a file", makeFolders(file), ENOTDIR},
        {"createAndDeleteTest new", createAndDeleteTest(dir.file("a/new")), 0},
        {"createAndDeleteTest existing", createAndDeleteTest(file), EEXIST},
        {"removeFile missing", removeFile(missing), ENOENT},
        {"removeFile folder", removeFile(dir.file("a")), EISDIR},
        {"makeWritable missing", makeWritable(missing), ENOENT},
        {"makeReadOnly missing", makeReadOnly(missing), ENOENT},
        {"getAttributes missing", getAttributes(missing, attributes), ENOENT},
        {"listDirectory missing", listDirectory(missing, none), ENOENT},
        {"listDirectory file", listDirectory(file, none), ENOTDIR},
        {"availableBytes missing", availableBytes(missing, bytes), ENOENT},
        {"getFileTimes missing", getFileTimes(missing, times), ENOENT},
        {"setFileTimes missing", setFileTimes(missing, times), ENOENT},
        {"toLocalCalendar past any year", toLocalCalendar({INT64_MAX, 0}, local), EOVERFLOW},
        {"open missing", closed.open(missing, false), ENOENT},
        {"open folder", closed.open(dir.file("a"), false), EISDIR},
        {"readAt closed", closed.readAt(&byte, 1, 0, got), EBADF},
        {"close closed", closed.close(), 0},
        {"open file", open.open(file, false), 0},
        {"readAt before the start", open.readAt(&byte, 1, -1, got), EINVAL},
        {"writeAt read-only", open.writeAt("y", 1, 0), EBADF},
        {"readAt the end", open.readAt(&byte, 1, 1, got), 0},
    };
    for (const auto& c : calls)
        EXPECT_EQ(c.returned, c.expected) << c.call;
    EXPECT_TRUE(isDirectory(dir.file("a/b")));
    EXPECT_FALSE(entryExists(dir.file("a/new")));
    EXPECT_EQ(readAll(file), "x");
    EXPECT_EQ(attributes, 99u);  // a failure leaves what it would give as it was
    EXPECT_EQ(bytes, -99);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(getAttributes(dir.file("a"), attributes), 0);
    EXPECT_EQ(attributes, kAttrDirectory);
    EXPECT_EQ(availableBytes(dir.path(), bytes), 0);
    EXPECT_GT(bytes, 0);
}

TEST(LockedRewrite, WritersAtTheSameTimeLoseNoLine) {
    test::TempDir dir;
    const std::string path = dir.file("kadrel.xxh128");
    const auto writer = [&path](char id) {
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(rewriteLocked(
                          path,
                          [&](const std::string& old) {
                              std::this_thread::yield();  // widen the window between the read and the write
                              return old + id + std::to_string(i) + "\n";
                          }),
                      0);
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    const std::string text = readAll(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 80);
    fs::create_directory(dir.file("folder"));
    EXPECT_EQ(rewriteLocked(dir.file("folder"), [](const std::string& old) { return old; }), EISDIR);
}

}  // namespace
}  // namespace kadrel::platform
