// setWideScreenFlag and resetWideScreenFlag on streams built byte by byte: the field tables, the chunk
// boundaries, the file times and files of any size.
#include "engine/scan/wide_screen_flag.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "engine/scan/chunk_scan.h"
#include "engine/scan/mpeg2_fields.h"
#include "platform/file_io.h"
#include "stream_builder.h"

namespace kadrel {
namespace {

using test::bytes;
using test::filler;
using test::PatchContext;
using test::rdiPck;
using test::sde;
using test::seqHeader;

/// The structure amid filler, patched: only the bytes at its offset at may become expected.
void expectPatched(bool reset, int modifyRdiPck, const std::string& structure, size_t at,
                   const std::string& expected) {
    PatchContext pc(2, modifyRdiPck);
    const std::string in = filler(50) + structure + filler(50);
    std::string want = in;
    want.replace(50 + at, expected.size(), expected);
    EXPECT_EQ(test::patched(pc, in, reset), want) << (reset ? "reset " : "set ") << at;
}

TEST(WsFlag, HeaderAndRdiPckFlagBytesTable) {
    // {reset, width, byte 7 before, byte 7 after}; resetting makes no size test.
    const int headers[][4] = {
        {0, 720, 0x23, 0x33}, {0, 720, 0x13, 0x33}, {0, 720, 0x43, 0x33}, {0, 720, 0x33, 0x33},
        {0, 704, 0x24, 0x34}, {0, 352, 0x28, 0x38}, {0, 720, 0x11, 0x31}, {0, 720, 0x48, 0x38},
        {0, 720, 0x3A, 0x3A}, {0, 720, 0x53, 0x53}, {0, 720, 0x19, 0x19}, {0, 720, 0x10, 0x10},
        {0, 640, 0x23, 0x23}, {1, 720, 0x33, 0x23}, {1, 720, 0x23, 0x23}, {1, 720, 0x13, 0x13},
        {1, 720, 0x3A, 0x3A}, {1, 640, 0x33, 0x23},
    };
    for (const auto& c : headers)
        expectPatched(c[0], 1, seqHeader(c[1], 576, c[2]), 7, bytes({c[3]}));
    // {reset, modify_rdi-pck, length low byte, sub-stream, bytes 28 and 29 before, after}; a
    // packet of another length or sub-stream is no RDI-PCK, and modify_rdi-pck does not matter
    // when resetting.
    const int packets[][8] = {
        {0, 1, 0xD4, 0x50, 0x00, 0x20, 0x40, 0x10}, {0, 1, 0xD4, 0x50, 0x40, 0x03, 0x40, 0x13},
        {0, 1, 0xD4, 0x50, 0x40, 0x15, 0x40, 0x15}, {0, 2, 0xD4, 0x50, 0x00, 0x03, 0x40, 0x13},
        {0, 0, 0xD4, 0x50, 0x00, 0x03, 0x00, 0x03}, {0, 1, 0xEC, 0x50, 0x00, 0x03, 0x00, 0x03},
        {0, 1, 0xD4, 0x51, 0x00, 0x03, 0x00, 0x03}, {1, 0, 0xD4, 0x50, 0x40, 0x13, 0x40, 0x03},
        {1, 0, 0xD4, 0x50, 0x00, 0x03, 0x40, 0x03}, {1, 0, 0xD4, 0x50, 0x40, 0x03, 0x40, 0x03},
        {1, 0, 0xEC, 0x50, 0x40, 0x13, 0x40, 0x13},
    };
    for (const auto& c : packets)
        expectPatched(c[0], c[1], test::privateStream2(0x07, c[2], c[3], c[4], c[5]), 28,
                      bytes({c[6], c[7]}));
}

TEST(WsFlag, SequenceDisplayExtensionModes) {
    struct Case {
        int mode;
        int h, v;
        std::string ext;
        std::string expected;
    };
    const std::string pal = sde(0x22, {0x0B, 0x42, 0x12, 0x00});
    const std::string pal704 = sde(0x22, {0x0B, 0x02, 0x12, 0x00});
    const std::string ntsc = sde(0x25, {0x0B, 0x42, 0x0F, 0x00});
    const std::string notSde = bytes({0, 0, 1, 0xB5, 0x14, 0x8A, 0, 1, 0, 0});
    const Case cases[] = {
        {1, 720, 576, pal, std::string(9, '\0')},
        {1, 720, 576, sde(0x23, {0x0B, 0x42, 0x12, 0x00}), std::string(12, '\0')},
        {2, 720, 576, pal704, pal},
        {2, 720, 576, pal, pal},
        {0, 720, 576, pal, pal},
        {4, 720, 576, pal704, pal704},
        {3, 704, 480, sde(0x25, {0x0B, 0x02, 0x0F, 0x00}), ntsc},
        {3, 704, 480, ntsc, ntsc},
        {1, 720, 576, notSde, notSde},
        {1, 720, 576, sde(0x20, {0x0B, 0x42, 0x12, 0}), sde(0x20, {0x0B, 0x42, 0x12, 0})},  // component
        {1, 720, 576, sde(0x26, {0x0B, 0x42, 0x12, 0}), sde(0x26, {0x0B, 0x42, 0x12, 0})},  // SECAM
        {1, 720, 576, sde(0x2C, {0x0B, 0x42, 0x12, 0}), sde(0x2C, {0x0B, 0x42, 0x12, 0})},  // reserved
        {1, 720, 576, sde(0x22, {0x0B, 0x40, 0x12, 0}), sde(0x22, {0x0B, 0x40, 0x12, 0})},  // marker
        {1, 720, 576, sde(0x22, {0x0B, 0x42, 0x12, 4}), sde(0x22, {0x0B, 0x42, 0x12, 4})},  // padding
    };
    for (const Case& c : cases) {
        PatchContext pc(c.mode, 1);
        const std::string head = seqHeader(c.h, c.v, 0x23);
        std::string wideHead = head;
        wideHead[7] = 0x33;
        EXPECT_EQ(test::patched(pc, head + c.ext + filler(40)), wideHead + c.expected + filler(40))
            << "mode " << c.mode << " case " << (&c - cases);
    }
}

// Every structure kind at every offset around the first chunk end (start codes split by it,
// those inside each kind's near-end limit), and again around the end of the chunk that
// follows a chunk moved back; set, then reset on the result.
TEST(WsFlag, StructuresAroundChunkBoundariesAreSetAndReset) {
    struct Kind {
        std::string narrow, wide, reset;
    };
    const std::string narrowSeq = seqHeader(720, 576, 0x23), wideSeq = seqHeader(720, 576, 0x33);
    const std::string wideSde = sde(0x22, {0x0B, 0x42, 0x12, 0});
    const Kind kinds[] = {{narrowSeq, wideSeq, narrowSeq},
                          {sde(0x22, {0x0B, 0x02, 0x12, 0}), wideSde, wideSde},
                          {rdiPck(0x00, 0x03), rdiPck(0x40, 0x13), rdiPck(0x40, 0x03)}};
    for (const Kind& k : kinds) {
        for (size_t at = 9950; at <= 10010; ++at) {
            for (size_t second : {size_t{0}, size_t{19960}, size_t{19985}, size_t{19995}}) {
                std::string in = wideSeq + filler(24000), wide = in, narrow = narrowSeq + filler(24000);
                for (size_t pos : {at, second}) {
                    if (pos == 0)
                        continue;
                    in.replace(pos, k.narrow.size(), k.narrow);
                    wide.replace(pos, k.wide.size(), k.wide);
                    narrow.replace(pos, k.reset.size(), k.reset);
                }
                PatchContext pc(2, 1);
                ASSERT_EQ(test::patched(pc, in), wide) << "set at " << at << " second " << second;
                ASSERT_EQ(test::patched(pc, wide, true), narrow) << "reset at " << at << " second " << second;
            }
        }
    }
}

// A near-end hit of one kind must not make the scan skip what the other kinds still had to
// find earlier in the same chunk.
TEST(WsFlag, OtherStructuresBeforeANearEndHitAreNotSkipped) {
    PatchContext pc(2, 1);
    std::string in = filler(30000);
    in.replace(100, 2010, rdiPck(0, 3));
    in.replace(9980, 2010, rdiPck(0, 3));  // inside the RDI-PCK limit of the first chunk
    for (size_t at : {3000, 5000, 7000})
        in.replace(at, 12, seqHeader(720, 576, 0x23));
    in.replace(5012, 9, sde(0x22, {0x0B, 0x02, 0x12, 0}));
    const std::string out = test::patched(pc, in);
    for (size_t at : {3000, 5000, 7000})
        EXPECT_EQ(static_cast<uint8_t>(out[at + 7]), 0x33) << at;
    EXPECT_EQ(out.substr(5012 + 5, 4), bytes({0x0B, 0x42, 0x12, 0}));
    EXPECT_EQ(out.substr(9980 + 28, 2), bytes({0x40, 0x13}));
}

TEST(WsFlag, StructuresCutByTheEndOfTheFileAreLeftAndTheScanEnds) {
    const std::string tails[] = {seqHeader(720, 576, 0x23).substr(0, 7),
                                 sde(0x22, {0x0B, 0x02, 0x12, 0}).substr(0, 8), rdiPck(0, 3).substr(0, 29),
                                 bytes({0, 0, 1}), bytes({0, 0})};
    for (size_t size : {500, 10000, 19999}) {
        for (const std::string& tail : tails) {
            PatchContext pc(1, 1);
            const std::string in = seqHeader(720, 576, 0x23) + filler(size - 12 - tail.size()) + tail;
            const std::string out = test::patched(pc, in);
            EXPECT_EQ(out.size(), in.size());
            EXPECT_EQ(test::changedOffsets(in, out), std::vector<size_t>{7}) << size << " " << tail.size();
        }
        // A header whose flag byte is the file's very last byte is whole: it is set, and the
        // scan reports exactly the offsets it wrote (the delete proof relies on them).
        PatchContext pc(1, 1);
        const std::string in =
            seqHeader(720, 576, 0x23) + filler(size - 20) + seqHeader(720, 576, 0x23).substr(0, 8);
        const std::string path = pc.dir.write("clip.mpg", in);
        const ScanOutcome outcome = setWideScreenFlag(path, pc.ctx);
        EXPECT_EQ(outcome.error, 0);
        EXPECT_EQ(outcome.changed, (std::vector<int64_t>{7, static_cast<int64_t>(size) - 1})) << size;
        EXPECT_EQ(test::changedOffsets(in, test::readAll(path)), (std::vector<size_t>{7, size - 1})) << size;
    }
}

TEST(WsFlag, FileThatCannotBeOpenedIsLeftAndItsErrorReturned) {
    PatchContext pc(2, 1);
    EXPECT_EQ(setWideScreenFlag(pc.dir.file("missing.mpg"), pc.ctx).error, ENOENT);
    EXPECT_EQ(setWideScreenFlag(pc.dir.path(), pc.ctx).error, EISDIR);  // a folder
}

TEST(WsFlag, PumpsEventsWhileScanningButNotOnEveryChunk) {
    PatchContext pc;
    std::string in = filler(2000000);
    for (size_t at = 0; at + 12 < in.size(); at += 4000)
        in.replace(at, 12, seqHeader(720, 576, 0x23));
    test::patched(pc, in);
    // 200 chunks and 700 search passes: a pump on every one would be 900 calls.
    EXPECT_GE(pc.ui.eventsPumped, 10);
    EXPECT_LE(pc.ui.eventsPumped, 60);
}

TEST(WsFlag, EditsAStructureBeyondFourGibibytesAtItsOffset) {
    PatchContext pc;
    const std::string path = pc.dir.file("big.mpg");
    const int64_t at = (int64_t{1} << 32) + 12345;
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(at);
        out << seqHeader(720, 576, 0x23) << filler(100);
    }
    setWideScreenFlag(path, pc.ctx);
    platform::RandomAccessFile f;
    ASSERT_TRUE(f.open(path, false));
    EXPECT_EQ(f.size(), at + 112);
    char b[20];
    ASSERT_EQ(f.readAt(reinterpret_cast<uint8_t*>(b), 20, at - 8), 20);
    EXPECT_EQ(std::string(b, 20), std::string(8, '\0') + seqHeader(720, 576, 0x33));
}

}  // namespace
}  // namespace kadrel
