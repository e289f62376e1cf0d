#include "engine/scan/stream_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "engine/stream_builder.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

// The scan relies on one rule: a write reaches the file at once, but the chunk being scanned,
// and the bytes around it, keep what they were read with until the next chunk is taken. The
// views must also hand out the file's bytes across block boundaries and at the end.
TEST(StreamFile, ViewsKeepTheirBytesUntilTheNextViewAndFollowTheFile) {
    const size_t fileSize = (size_t{8} << 20) + 23456;  // several blocks
    std::string original(fileSize, '\0');
    for (size_t i = 0; i < fileSize; ++i)
        original[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    test::TempDir dir;
    const std::string path = dir.write("clip.mpg", original);
    platform::RandomAccessFile raw;
    ASSERT_EQ(raw.open(path, true), 0);
    StreamFile f(raw);
    const auto viewed = [&](int64_t at, size_t n) {
        size_t got = 0;
        const uint8_t* p = f.view(at, n, got);
        return std::string(reinterpret_cast<const char*>(p), got);
    };
    size_t got = 0;
    const uint8_t* chunk = f.view(0, 10000, got);
    ASSERT_EQ(got, 10000u);
    const uint8_t edit[2] = {0xAA, 0x55};
    EXPECT_EQ(f.write(4095, edit, 2), 2);  // across a page boundary
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk) + 4095, 2), original.substr(4095, 2));
    uint8_t v = 0;
    EXPECT_TRUE(f.byteAt(4096, v));
    EXPECT_EQ(v, static_cast<uint8_t>(original[4096]));

    std::string expected = original;
    expected.replace(4095, 2, "\xAA\x55");
    EXPECT_EQ(viewed(9997, 10000), expected.substr(9997, 10000));
    EXPECT_EQ(viewed(0, 10000), expected.substr(0, 10000));
    const int64_t boundary = int64_t{8} << 20;
    EXPECT_EQ(viewed(boundary - 5000, 10000), original.substr(boundary - 5000, 10000));
    EXPECT_TRUE(f.byteAt(100, v));
    EXPECT_EQ(v, static_cast<uint8_t>(expected[100]));
    EXPECT_EQ(viewed(fileSize - 3000, 10000), original.substr(fileSize - 3000));
    EXPECT_FALSE(f.byteAt(fileSize, v));
    raw.close();
    EXPECT_EQ(test::readAll(path), expected);  // nothing but the two written bytes changed
}

using test::bytes;
using test::filler;
using test::seqHeader;

// A 4:3 header, an RDI-PCK and a 704-wide display extension: planning lists their edits by
// offset with the file's own bytes, and writes nothing.
TEST(StreamFile, PlanListsEachEditWithItsBytesAndWritesNothing) {
    test::PatchContext pc(2, 1);
    const std::string in = seqHeader(720, 576, 0x23) + filler(88) + test::rdiPck(0x00, 0x03) +
                           test::sde(0x22, {0x0B, 0x02, 0x12, 0x00}) + filler(30);
    const std::string path = pc.dir.write("clip.mpg", in);
    platform::makeReadOnly(path);  // a plan only reads
    const ScanPlan plan = planWideScreenEdits(path, FlagChange::Set, pc.ctx);
    ASSERT_TRUE(plan.outcome.ok()) << plan.outcome.error;
    const std::vector<std::tuple<int64_t, std::string, std::string>> want = {
        {7, bytes({0x23}), bytes({0x33})},
        {128, bytes({0x00, 0x03}), bytes({0x40, 0x13})},
        {2110 + 5, bytes({0x0B, 0x02, 0x12, 0x00}), bytes({0x0B, 0x42, 0x12, 0x00})}};
    std::vector<std::tuple<int64_t, std::string, std::string>> got;
    for (const StreamEdit& e : plan.edits)
        got.emplace_back(e.offset, std::string(e.before.begin(), e.before.end()),
                         std::string(e.after.begin(), e.after.end()));
    EXPECT_EQ(got, want);
    EXPECT_EQ(test::readAll(path), in);
    const ScanPlan reset = planWideScreenEdits(path, FlagChange::Reset, pc.ctx);
    ASSERT_EQ(reset.edits.size(), 1u);  // only the RDI-PCK's bit 6 (a 4:3 header stays)
    EXPECT_EQ(reset.edits[0].offset, 128);
}

/// Scripted failures of the writes, the flush and the close.
struct WriteFaults : platform::FileFaults {
    int failingWrite = 0;  ///< 1-based; 0: none fails
    int flushError = 0, closeError = 0, readError = 0;
    int writes = 0, flushes = 0;
    int beforeWrite(int64_t, size_t) override { return ++writes == failingWrite ? ENOSPC : 0; }
    int beforeInPlaceFlush() override { return ++flushes, flushError; }
    int beforeInPlaceClose() override { return closeError; }
    int beforeRead(int64_t, size_t&) override { return readError; }
};

// The first failed write ends the writes; a failed flush or close fails the outcome although
// every byte was written (a network file system reports a lost write only there); a file that
// cannot be read to its end gets no edit at all.
TEST(StreamFile, FirstFailedWriteStopsTheWritesAndFlushOrCloseErrorsFail) {
    const std::string wide = seqHeader(720, 576, 0x33), narrow = seqHeader(720, 576, 0x23);
    const std::string in = narrow + filler(100) + narrow + filler(100) + narrow;
    struct Row {
        WriteFaults faults;
        bool flush, viaSet;
        int error, writes, flushes;
        std::string after;
    };
    const auto fault = [](int w, int f, int c, int r) {
        WriteFaults faults;
        faults.failingWrite = w, faults.flushError = f, faults.closeError = c, faults.readError = r;
        return faults;
    };
    const Row rows[] = {
        {fault(0, 0, 0, 0), true, false, 0, 3, 1, wide + filler(100) + wide + filler(100) + wide},
        {fault(2, 0, 0, 0), true, false, ENOSPC, 2, 0, wide + filler(100) + narrow + filler(100) + narrow},
        {fault(0, EIO, 0, 0), true, false, EIO, 3, 1, wide + filler(100) + wide + filler(100) + wide},
        {fault(0, EIO, 0, 0), false, false, 0, 3, 0, wide + filler(100) + wide + filler(100) + wide},
        {fault(0, 0, EFBIG, 0), false, false, EFBIG, 3, 0, wide + filler(100) + wide + filler(100) + wide},
        {fault(0, 0, EFBIG, 0), false, true, EFBIG, 3, 0, wide + filler(100) + wide + filler(100) + wide},
        {fault(0, 0, 0, EIO), false, true, EIO, 0, 0, in},
    };
    for (const Row& row : rows) {
        test::PatchContext pc;
        const std::string path = pc.dir.write("clip.mpg", in);
        WriteFaults faults = row.faults;
        const ScanOptions options{false, &faults, row.flush};
        ScanOutcome out;
        if (row.viaSet) {
            out = setWideScreenFlag(path, pc.ctx, options);
        } else {
            const ScanPlan plan = planWideScreenEdits(path, FlagChange::Set, pc.ctx);
            out = applyStreamEdits(path, plan.edits, options);
        }
        const auto i = &row - rows;
        EXPECT_EQ(out.outcome.error, row.error) << i;
        EXPECT_EQ(out.outcome.failed() ? out.outcome.file : path, path) << i;
        EXPECT_EQ(faults.writes, row.writes) << i;
        EXPECT_EQ(faults.flushes, row.flushes) << i;
        EXPECT_EQ(test::readAll(path), row.after) << i;
        std::vector<int64_t> written;
        for (size_t at = 0; at < in.size(); ++at)
            if (in[at] != row.after[at])
                written.push_back(static_cast<int64_t>(at));
        EXPECT_EQ(out.changed, written) << i;  // what the delete proof may skip, and nothing else
    }
}

}  // namespace
}  // namespace kadrel
