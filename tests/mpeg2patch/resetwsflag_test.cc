#include <gtest/gtest.h>

#include "mpeg2patch/mpeg2patch.h"
#include "platform/fileio.h"
#include "streambuilder.h"

namespace kadrel {
namespace {

using test::bytes;
using test::filler;
using test::PatchContext;

TEST(ResetWsFlag, SequenceHeaderAndRdiPckTables) {
    struct Case { std::string in; size_t at; std::string expected; };
    const Case cases[] = {
        {test::seqHeader(720, 576, 0x33), 7, bytes({0x23})},
        {test::seqHeader(720, 576, 0x23), 7, bytes({0x23})},
        {test::seqHeader(720, 576, 0x13), 7, bytes({0x13})},
        {test::seqHeader(720, 576, 0x3A), 7, bytes({0x3A})},
        {test::seqHeader(640, 480, 0x33), 7, bytes({0x23})},  // no size test when resetting
        {test::rdiPck(0x40, 0x13), 28, bytes({0x40, 0x03})},
        {test::rdiPck(0x00, 0x03), 28, bytes({0x40, 0x03})},
        {test::rdiPck(0x40, 0x03), 28, bytes({0x40, 0x03})},
        {test::privateStream2(0x07, 0xEC, 0x50, 0x40, 0x13), 28, bytes({0x40, 0x13})},
    };
    for (const Case& c : cases) {
        PatchContext pc(2, 0);  // modify_rdi-pck does not matter when resetting
        const std::string in = filler(50) + c.in + filler(50);
        std::string expected = in;
        expected.replace(50 + c.at, c.expected.size(), c.expected);
        EXPECT_EQ(test::patched(pc, in, true), expected) << "case " << (&c - cases);
    }
}

TEST(ResetWsFlag, LeavesExtensionsAndTimesAndWritesNoLog) {
    PatchContext pc(1, 1, true);
    const std::string ext = test::sde(0x22, {0x0B, 0x42, 0x12, 0});
    const std::string path = pc.dir.write("clip.mpg", test::seqHeader(720, 576, 0x33) + ext + filler(20));
    platform::FileTimes before;
    before.lastWrite = {1400000000, 1};
    before.lastAccess = {1400000001, 999999999};
    ASSERT_TRUE(platform::setFileTimes(path, before));
    resetwsflag(path, pc.ctx);
    platform::FileTimes after;
    ASSERT_TRUE(platform::getFileTimes(path, after));
    EXPECT_EQ(after.lastWrite, before.lastWrite);
    EXPECT_EQ(after.lastAccess, before.lastAccess);
    EXPECT_EQ(test::readAll(path), test::seqHeader(720, 576, 0x23) + ext + filler(20));
    EXPECT_TRUE(pc.logLines().empty());
}

TEST(ResetWsFlag, UndoesSetAroundChunkBoundaries) {
    for (size_t at = 9960; at <= 10004; ++at) {
        std::string in = filler(30000);
        in.replace(at, 2010, test::rdiPck(0x00, 0x03));
        in.replace(at + 2500, 12, test::seqHeader(720, 576, 0x23));
        in.replace(20000 - (at - 9960) % 9, 12, test::seqHeader(704, 576, 0x24));
        PatchContext pc(2, 1);
        const std::string wide = test::patched(pc, in);
        ASSERT_NE(wide, in);
        std::string expected = in;
        expected[at + 28] = 0x40;  // bit 6 stays set
        EXPECT_EQ(test::patched(pc, wide, true), expected) << at;
    }
}

TEST(ResetWsFlag, RdiPckSplitAfterItsStartCodeByTheChunkEndIsStillReset) {
    for (size_t cutAfter = 1; cutAfter <= 7; ++cutAfter) {
        std::string in = filler(14000);
        in.replace(10000 - cutAfter, 2010, test::rdiPck(0x40, 0x13));
        PatchContext pc;
        EXPECT_EQ(test::patched(pc, in, true).substr(10000 - cutAfter + 28, 2), bytes({0x40, 0x03})) << cutAfter;
    }
}

}  // namespace
}  // namespace kadrel
