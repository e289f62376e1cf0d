#include <gtest/gtest.h>

#include <fstream>

#include "mpeg2patch/mpeg2patch.h"
#include "platform/fileio.h"
#include "streambuilder.h"

namespace kadrel {
namespace {

using test::bytes;
using test::filler;
using test::PatchContext;

TEST(SetWsFlag, SequenceHeaderFlagByteTable) {
    struct Case { int h; int flag; int expected; };
    const Case cases[] = {{720, 0x23, 0x33}, {720, 0x13, 0x33}, {720, 0x43, 0x33}, {720, 0x33, 0x33},
                          {704, 0x24, 0x34}, {352, 0x28, 0x38}, {720, 0x3A, 0x3A}, {720, 0x20, 0x20},
                          {720, 0x53, 0x53}, {640, 0x23, 0x23}};
    for (const Case& c : cases) {
        PatchContext pc;
        const std::string in = filler(100) + test::seqHeader(c.h, 576, c.flag) + filler(100);
        const std::string out = test::patched(pc, in);
        ASSERT_EQ(out.size(), in.size());
        std::string expected = in;
        expected[107] = static_cast<char>(c.expected);
        EXPECT_EQ(out, expected) << c.h << " " << std::hex << c.flag;
    }
}

TEST(SetWsFlag, DebugLogTellsEveryStepWithItsValues) {
    PatchContext pc(2, 1, true);
    const std::string in = test::seqHeader(720, 576, 0x23) + filler(20) + test::seqHeader(704, 480, 0x33) +
                           filler(10) + test::seqHeader(640, 480, 0x23) + test::rdiPck(0, 3) + filler(8);
    const std::string path = pc.dir.write("clip.mpg", in);
    setwsflag(path, false, pc.ctx);
    const std::vector<std::string> expected = {
        "entering setwsflag for file: " + path, "got valid handle for file: " + path,
        "Seq found at 2", test::HexDumpOf(in, 1, 30), "IsValidHorResolution=True resvalue=720",
        "buffer(wspos)=23", "firstheader: seqhorsize=720  seqversize=576", "widescreen flag not set!",
        "byteswritten=1", "Seq found at 42", test::HexDumpOf(in, 33, 30),
        "IsValidHorResolution=True resvalue=704", "buffer(wspos)=33", "widescreen flag already set!",
        "Seq found at 96", test::HexDumpOf(in, 55, 30), "IsValidHorResolution=False resvalue=640",
        "readcount=0, leaving setwsflag!", "setwsflag finish. # of WS:2  # of priv2:1  # of sde:0"};
    EXPECT_EQ(pc.logLines(), expected);
}

TEST(SetWsFlag, SequenceDisplayExtensionModes) {
    struct Case { int mode; int h, v; std::string ext; std::string expected; };
    const std::string pal = test::sde(0x22, {0x0B, 0x42, 0x12, 0x00});
    const std::string palColour = test::sde(0x23, {0x0B, 0x42, 0x12, 0x00});
    const std::string pal704 = test::sde(0x22, {0x0B, 0x02, 0x12, 0x00});
    const std::string ntsc704 = test::sde(0x25, {0x0B, 0x02, 0x0F, 0x00});
    const Case cases[] = {
        {1, 720, 576, pal, std::string(9, '\0')},
        {1, 720, 576, palColour, std::string(12, '\0')},
        {2, 720, 576, pal704, pal},
        {2, 720, 576, pal, pal},
        {3, 704, 480, ntsc704, test::sde(0x25, {0x0B, 0x42, 0x0F, 0x00})},
        {3, 704, 480, test::sde(0x25, {0x0B, 0x42, 0x0F, 0x00}), test::sde(0x25, {0x0B, 0x42, 0x0F, 0x00})},
        {1, 720, 576, bytes({0, 0, 1, 0xB5, 0x14, 0x8A, 0, 1, 0, 0}), bytes({0, 0, 1, 0xB5, 0x14, 0x8A, 0, 1, 0, 0})},
        {1, 720, 576, test::sde(0x2C, {0x0B, 0x42, 0x12, 0}), test::sde(0x2C, {0x0B, 0x42, 0x12, 0})},  // SECAM
        {1, 720, 576, test::sde(0x22, {0x0B, 0x40, 0x12, 0}), test::sde(0x22, {0x0B, 0x40, 0x12, 0})},  // marker
        {1, 720, 576, test::sde(0x22, {0x0B, 0x42, 0x12, 4}), test::sde(0x22, {0x0B, 0x42, 0x12, 4})},  // padding
        {0, 720, 576, pal, pal},
        {4, 720, 576, pal704, pal704},
    };
    for (const Case& c : cases) {
        PatchContext pc(c.mode, 1);
        const std::string head = test::seqHeader(c.h, c.v, 0x23);
        const std::string out = test::patched(pc, head + c.ext + filler(40));
        std::string wideHead = head;
        wideHead[7] = 0x33;
        EXPECT_EQ(out, wideHead + c.expected + filler(40)) << "mode " << c.mode << " case " << (&c - cases);
    }
}

TEST(SetWsFlag, ExtensionsAreNeitherSearchedNorCountedWithModeZero) {
    for (int mode : {0, 2}) {
        PatchContext pc(mode, 1, true);
        test::patched(pc, test::seqHeader(720, 576, 0x23) + test::sde(0x22, {0x0B, 0x42, 0x12, 0}) + filler(40));
        EXPECT_EQ(pc.logLines().back(),
                  std::string("setwsflag finish. # of WS:1  # of priv2:0  # of sde:") + (mode ? "1" : "0"));
    }
}

TEST(SetWsFlag, RdiPckTable) {
    struct Case { int modify; std::string packet; int b28, b29; };
    const Case cases[] = {{1, test::rdiPck(0x00, 0x20), 0x40, 0x10}, {1, test::rdiPck(0x40, 0x03), 0x40, 0x13},
                          {1, test::rdiPck(0x40, 0x15), 0x40, 0x15}, {2, test::rdiPck(0x00, 0x03), 0x40, 0x13},
                          {0, test::rdiPck(0x00, 0x03), 0x00, 0x03},
                          {1, test::privateStream2(0x07, 0xEC, 0x50, 0x00, 0x03), 0x00, 0x03},
                          {1, test::privateStream2(0x07, 0xD4, 0x51, 0x00, 0x03), 0x00, 0x03}};
    for (const Case& c : cases) {
        PatchContext pc(2, c.modify);
        const std::string in = filler(33) + c.packet + filler(33);
        std::string expected = in;
        expected[33 + 28] = static_cast<char>(c.b28);
        expected[33 + 29] = static_cast<char>(c.b29);
        EXPECT_EQ(test::patched(pc, in), expected) << "case " << (&c - cases);
    }
}

// Every structure kind at every offset around the first chunk end, including start codes
// split by it and those inside each kind's near-end limit, and again around the end of the
// chunk that follows a chunk moved back.
TEST(SetWsFlag, StructuresAroundChunkBoundariesAreAllHandled) {
    struct Kind { std::string in, out; };
    std::string wideSeq = test::seqHeader(720, 576, 0x33);
    const Kind kinds[] = {
        {test::seqHeader(720, 576, 0x23), wideSeq},
        {test::sde(0x22, {0x0B, 0x02, 0x12, 0}), test::sde(0x22, {0x0B, 0x42, 0x12, 0})},
        {test::rdiPck(0x00, 0x03), test::rdiPck(0x40, 0x13)},
    };
    for (const Kind& k : kinds) {
        for (size_t at = 9950; at <= 10010; ++at) {
            for (size_t second : {size_t{0}, size_t{19960}, size_t{19985}}) {
                PatchContext pc(2, 1);
                std::string in = wideSeq + filler(24000);
                std::string expected = in;
                for (size_t pos : {at, second}) {
                    if (pos == 0) continue;
                    in.replace(pos, k.in.size(), k.in);
                    expected.replace(pos, k.out.size(), k.out);
                }
                ASSERT_EQ(test::patched(pc, in), expected) << "at " << at << " second " << second;
            }
        }
    }
}

TEST(SetWsFlag, FullChunkEndingInAStartCodePrefixIsReadAgainFromIt) {
    for (size_t keep : {3, 2, 1}) {
        PatchContext pc(2, 1, true);
        std::string in = filler(20000);
        in.replace(10000 - keep, 4, bytes({0, 0, 1, 0xB3}));
        in.replace(10000 - keep + 4, 8, test::seqHeader(720, 576, 0x23).substr(4, 8));
        const std::string out = test::patched(pc, in);
        EXPECT_EQ(static_cast<uint8_t>(out[10000 - keep + 7]), 0x33) << keep;
        // The next chunk begins with the start code: found at position 1 after start 1.
        const auto lines = pc.logLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Seq found at 2"), lines.end()) << keep;
    }
}

TEST(SetWsFlag, HeaderNearTheChunkEndIsExaminedAgainAtTheStartOfTheNextChunk) {
    PatchContext pc(2, 1, true);
    std::string in = filler(20000);
    in.replace(9995, 12, test::seqHeader(720, 576, 0x23));  // position 9996 > 10000 - 7
    EXPECT_EQ(static_cast<uint8_t>(test::patched(pc, in)[10002]), 0x33);
    std::vector<std::string> seqLines;
    for (const std::string& l : pc.logLines())
        if (l.rfind("Seq found at", 0) == 0) seqLines.push_back(l);
    EXPECT_EQ(seqLines, (std::vector<std::string>{"Seq found at 9997", "Seq found at 2"}));
}

// A near-end hit of one kind must not make the scan skip what the other kinds still had to
// find earlier in the same chunk.
TEST(SetWsFlag, OtherStructuresBeforeANearEndHitAreNotSkipped) {
    PatchContext pc(2, 1);
    std::string in = filler(30000);
    in.replace(100, 2010, test::rdiPck(0, 3));
    in.replace(9980, 2010, test::rdiPck(0, 3));  // inside the RDI-PCK limit of the first chunk
    for (size_t at : {3000, 5000, 7000}) in.replace(at, 12, test::seqHeader(720, 576, 0x23));
    in.replace(5012, 9, test::sde(0x22, {0x0B, 0x02, 0x12, 0}));
    const std::string out = test::patched(pc, in);
    for (size_t at : {3000, 5000, 7000}) EXPECT_EQ(static_cast<uint8_t>(out[at + 7]), 0x33) << at;
    EXPECT_EQ(out.substr(5012 + 5, 4), bytes({0x0B, 0x42, 0x12, 0}));
    EXPECT_EQ(out.substr(9980 + 28, 2), bytes({0x40, 0x13}));
}

TEST(SetWsFlag, StructuresCutByTheEndOfTheFileAreLeftAndTheScanEnds) {
    const std::string tails[] = {test::seqHeader(720, 576, 0x23).substr(0, 7),
                                 test::sde(0x22, {0x0B, 0x02, 0x12, 0}).substr(0, 8),
                                 test::rdiPck(0, 3).substr(0, 29), bytes({0, 0, 1}), bytes({0, 0})};
    for (size_t size : {500, 10000, 19999}) {
        for (const std::string& tail : tails) {
            PatchContext pc(1, 1);
            const std::string in = test::seqHeader(720, 576, 0x23) + filler(size - 12 - tail.size()) + tail;
            const std::string out = test::patched(pc, in);
            EXPECT_EQ(out.size(), in.size());
            EXPECT_EQ(test::changedOffsets(in, out), std::vector<size_t>{7}) << size << " " << tail.size();
        }
    }
}

TEST(SetWsFlag, KeepsTheFileTimesToTheNanosecondWhenAsked) {
    PatchContext pc;
    const std::string path = pc.dir.write("clip.mpg", test::seqHeader(720, 576, 0x23) + filler(30));
    platform::FileTimes before;
    before.lastWrite = {1262304000, 123456789};
    before.lastAccess = {1262307600, 987654321};
    ASSERT_TRUE(platform::setFileTimes(path, before));
    setwsflag(path, true, pc.ctx);
    platform::FileTimes after;
    ASSERT_TRUE(platform::getFileTimes(path, after));
    EXPECT_EQ(after.lastWrite, before.lastWrite);
    EXPECT_EQ(after.lastAccess, before.lastAccess);
    EXPECT_EQ(static_cast<uint8_t>(test::readAll(path)[7]), 0x33);
}

TEST(SetWsFlag, FileThatCannotBeOpenedIsLeftSilently) {
    PatchContext pc(2, 1, true);
    setwsflag(pc.dir.file("missing.mpg"), false, pc.ctx);
    setwsflag(pc.dir.path(), false, pc.ctx);  // a folder
    EXPECT_EQ(pc.logLines(), (std::vector<std::string>{"entering setwsflag for file: " + pc.dir.file("missing.mpg"),
                                                       "entering setwsflag for file: " + pc.dir.path()}));
}

TEST(SetWsFlag, PumpsEventsWhileScanningButNotOnEveryChunk) {
    PatchContext pc;
    std::string in = filler(2000000);
    for (size_t at = 0; at + 12 < in.size(); at += 4000) in.replace(at, 12, test::seqHeader(720, 576, 0x23));
    test::patched(pc, in);
    // 200 chunks and 700 search passes: a pump on every one would be 900 calls.
    EXPECT_GE(pc.ui.eventsPumped, 10);
    EXPECT_LE(pc.ui.eventsPumped, 60);
}

TEST(SetWsFlag, EditsAStructureBeyondFourGibibytesAtItsOffset) {
    PatchContext pc;
    const std::string path = pc.dir.file("big.mpg");
    const int64_t at = (int64_t{1} << 32) + 12345;
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(at);
        out << test::seqHeader(720, 576, 0x23) << filler(100);
    }
    setwsflag(path, false, pc.ctx);
    platform::RandomAccessFile f;
    ASSERT_TRUE(f.open(path, false));
    EXPECT_EQ(f.size(), at + 112);
    uint8_t b[12];
    ASSERT_EQ(f.readAt(b, 12, at), 12);
    EXPECT_EQ(b[7], 0x33);
    EXPECT_EQ(b[6], 0x40);
    ASSERT_EQ(f.readAt(b, 8, at - 8), 8);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 8), std::string(8, '\0'));
}

}  // namespace
}  // namespace kadrel
