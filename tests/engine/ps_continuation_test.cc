// Structures cut by packet headers (remuxed files): followed across the headers, or left
// untouched when the continuation is uncertain.
#include <gtest/gtest.h>

#include "engine/scan/wide_screen_flag.h"
#include "stream_builder.h"

namespace kadrel {
namespace {

using test::bytes;
using test::filler;
using test::PatchContext;

// Where the first video packet begins in test::programStream: after the pack header and
// the audio packet.
constexpr size_t kVideoPes = 14 + 9 + 40;

const std::string kHeader = test::seqHeader(720, 576, 0x23);
const std::string kExtension = test::sde(0x23, {0x0B, 0x02, 0x12, 0x00});  // colour, 704 x 576

// A sequence header and its 12-byte extension, cut by packet headers after every one of
// their bytes past the start code, and once cut twice each by tiny packets: the edits land
// on the structures' own bytes wherever they lie, and on nothing else. (A start code split
// by a packet is not found by the byte search at all.)
TEST(PsContinuation, StructuresCutAfterEveryByteAreEditedWhereTheyLie) {
    const std::string es = filler(300) + kHeader + kExtension + bytes({0, 0, 1, 0xB8}) + filler(300);
    std::vector<std::vector<size_t>> cutLists = {{305, 307, 317, 319}};
    for (size_t cut = 304; cut < 324; ++cut)
        if (cut <= 312 || cut >= 316)
            cutLists.push_back({cut});
    for (int mode : {1, 3}) {
        std::string wantEs = es;
        wantEs[307] = 0x33;
        if (mode == 1)
            wantEs.replace(312, 12, std::string(12, '\0'));
        else
            wantEs.replace(320, 4, bytes({0x0B, 0x42, 0x12, 0x00}));
        for (const std::vector<size_t>& cuts : cutLists) {
            PatchContext pc(mode, 1);
            // The packet headers do not depend on the payload bytes, so the whole file is known.
            EXPECT_EQ(test::patched(pc, test::programStream(es, cuts)), test::programStream(wantEs, cuts))
                << "mode " << mode << " cut " << cuts[0] << " of " << cuts.size();
        }
    }
}

// When the bytes after the cut cannot be tied to the next packet of the same video stream,
// nothing is written.
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
        PatchContext pc(3, 1);
        EXPECT_EQ(test::patched(pc, ps), ps);
    }
}

}  // namespace
}  // namespace kadrel
