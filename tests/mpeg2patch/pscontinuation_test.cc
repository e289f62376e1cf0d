#include "mpeg2patch/pscontinuation.h"

#include <gtest/gtest.h>

#include "mpeg2patch/mpeg2patch.h"
#include "streambuilder.h"

namespace kadrel {
namespace {

using test::bytes;
using test::filler;
using test::PatchContext;

std::string videoEs(const std::string& ps) {
    std::string es;
    for (int64_t at : test::videoByteOffsets(ps)) es += ps[static_cast<size_t>(at)];
    return es;
}

// Where the first video packet begins in test::programStream: after the pack header and
// the audio packet.
constexpr size_t kVideoPes = 14 + 9 + 40;

const std::string kHeader = test::seqHeader(720, 576, 0x23);
const std::string kExtension = test::sde(0x23, {0x0B, 0x02, 0x12, 0x00});  // colour, 704 x 576

// A sequence header and its 12-byte extension, each cut by packet headers after every one
// of their bytes past the start code: the edits land on the structures' own bytes wherever
// they lie. (A start code split by a packet is not found by the byte search at all.)
TEST(PsContinuation, StructuresCutAfterEveryByteAreEditedWhereTheyLie) {
    const std::string es = filler(300) + kHeader + kExtension + bytes({0, 0, 1, 0xB8}) + filler(300);
    for (int mode : {1, 3}) {
        std::string wantEs = es;
        wantEs[307] = 0x33;
        if (mode == 1) wantEs.replace(312, 12, std::string(12, '\0'));
        else wantEs.replace(320, 4, bytes({0x0B, 0x42, 0x12, 0x00}));
        for (size_t cut = 304; cut < 324; ++cut) {
            if (cut > 312 && cut < 316) continue;
            PatchContext pc(mode, 1, true);
            const std::string ps = test::programStream(es, {cut});
            const std::string out = test::patched(pc, ps);
            ASSERT_EQ(out.size(), ps.size());
            EXPECT_EQ(videoEs(out), wantEs) << "mode " << mode << " cut " << cut;
            const std::vector<int64_t> video = test::videoByteOffsets(ps);
            for (size_t changed : test::changedOffsets(ps, out))
                EXPECT_TRUE(std::binary_search(video.begin(), video.end(), static_cast<int64_t>(changed)));
        }
    }
}

TEST(PsContinuation, StructureCutTwiceByTinyPacketsIsFollowedThroughBoth) {
    const std::string es = filler(100) + kHeader + kExtension + filler(100);
    PatchContext pc(3, 1);
    const std::string out = test::patched(pc, test::programStream(es, {105, 107, 117, 119}));
    std::string wantEs = es;
    wantEs[107] = 0x33;
    wantEs.replace(120, 4, bytes({0x0B, 0x42, 0x12, 0x00}));
    EXPECT_EQ(videoEs(out), wantEs);
}

// When the bytes after the cut cannot be tied to the next packet of the same video stream,
// nothing is written and the log says why.
TEST(PsContinuation, UncertainContinuationLeavesTheStructureUntouched) {
    const std::string es = filler(100) + kHeader + filler(100);
    std::string wrongLength = test::programStream(es, {105});
    wrongLength[kVideoPes + 5] += 1;  // the first video packet claims one byte more
    std::string otherStream = test::programStream(es, {105});
    otherStream[kVideoPes + 3] = static_cast<char>(0xE1);  // the header sits in stream E1, then E0 follows
    std::string garbage = test::programStream(es, {105});
    garbage.replace(kVideoPes + 9 + 105, 14, filler(14, 0x12));  // no pack header where one must be
    garbage.insert(kVideoPes + 9 + 105, bytes({0, 0, 1}));
    garbage.erase(kVideoPes + 9 + 105 + 3, 3);
    std::string audio = test::packHeader() + test::pesPacket(0xC0, filler(20) + kHeader.substr(0, 6)) +
                        test::packHeader() + test::pesPacket(0xC0, kHeader.substr(6) + filler(20));
    for (const std::string& ps : {wrongLength, otherStream, garbage, audio}) {
        PatchContext pc(3, 1, true);
        EXPECT_EQ(test::patched(pc, ps), ps);
        const auto lines = pc.logLines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.find("is cut by a packet header; left untouched") != std::string::npos;
        }));
    }
}

TEST(PsContinuation, LocateReportsWholeFollowedAndEndOfFile) {
    test::TempDir dir;
    const std::string es = filler(50) + kHeader + filler(50);
    const std::string ps = test::programStream(es, {54});
    const std::string path = dir.write("s.mpg", ps + kHeader.substr(0, 6));
    platform::RandomAccessFile raw;
    ASSERT_TRUE(raw.open(path, false));
    StreamFile file(raw);
    ByteSource src(file);
    StructureBytes s;
    const std::vector<int64_t> video = test::videoByteOffsets(ps);
    ASSERT_EQ(locateStructure(src, video[50], 8, s), Continuation::Followed);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(s.offset[i], video[50 + i]) << i;
    EXPECT_EQ(locateStructure(src, video[60], 8, s), Continuation::Whole);
    EXPECT_EQ(locateStructure(src, static_cast<int64_t>(ps.size()), 8, s), Continuation::CutByEndOfFile);
}

}  // namespace
}  // namespace kadrel
