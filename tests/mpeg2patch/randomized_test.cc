// Random streams: no crash or hang, the length kept, only structure bytes changed; and
// structures cut at random places by packet headers still edited.
#include <gtest/gtest.h>

#include <random>

#include "changeoracle.h"
#include "mpeg2patch/mpeg2patch.h"
#include "streambuilder.h"

namespace kadrel {
namespace {

/// Random bytes rich in zeros and start codes, with structures and packet headers mixed in.
std::string randomStream(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255), pick(0, 15), flag(0x10, 0x4F);
    const size_t size = std::uniform_int_distribution<size_t>(0, 45000)(rng);
    std::string s;
    while (s.size() < size) {
        switch (pick(rng)) {
        case 0: s += test::seqHeader(byte(rng) % 2 ? 720 : byte(rng) * 4, 576, flag(rng)); break;
        case 1: s += test::sde(0x20 | (byte(rng) & 0x0F), {byte(rng) & 0x0F, 0x42, byte(rng), 0}); break;
        case 2: s += test::rdiPck(byte(rng), byte(rng)).substr(0, 30 + byte(rng) * 8); break;
        case 3: s += test::packHeader(); break;
        case 4: s += test::bytes({0, 0, 1, 0xE0, byte(rng) % 4, byte(rng), 0x81, 0, byte(rng) % 8}); break;
        case 5: s += test::bytes({0, 0, 1}); break;
        case 6: s += std::string(byte(rng) % 6, '\0'); break;
        default:
            for (int n = byte(rng); n > 0; --n) s += static_cast<char>(byte(rng) < 40 ? 0 : byte(rng));
        }
    }
    return s;
}

TEST(Randomized, AnyStreamKeepsItsLengthAndChangesOnlyStructureBytes) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 300; ++round) {
        test::PatchContext pc(round % 4, round % 3, round % 7 == 0);
        const std::string in = randomStream(rng);
        const std::string wide = test::patched(pc, in);
        ASSERT_EQ(test::checkScanResult(in, wide), "") << "round " << round;
        ASSERT_EQ(test::checkScanResult(wide, test::patched(pc, wide, true)), "") << "round " << round;
    }
}

TEST(Randomized, CutStructuresEndUpEditedInTheElementaryStream) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string es, want;
        std::vector<std::pair<size_t, size_t>> startCodes;
        for (int gop = 0; gop < 4; ++gop) {
            const std::string pad = test::filler(std::uniform_int_distribution<size_t>(0, 3000)(rng));
            es += pad, want += pad;
            startCodes.push_back({es.size(), es.size() + 4});
            es += test::seqHeader(704, 576, 0x23), want += test::seqHeader(704, 576, 0x33);
            startCodes.push_back({es.size(), es.size() + 4});
            es += test::sde(0x22, {0x0B, 0x02, 0x12, 0}), want += test::sde(0x22, {0x0B, 0x42, 0x12, 0});
        }
        es += test::bytes({0, 0, 1, 0xB7}), want += test::bytes({0, 0, 1, 0xB7});  // sequence_end_code
        std::vector<size_t> cuts;
        for (size_t at = 0; at < es.size(); at += std::uniform_int_distribution<size_t>(5, 700)(rng)) {
            bool inStartCode = false;
            for (auto [from, to] : startCodes) inStartCode |= at > from && at < to;
            if (at > 0 && !inStartCode) cuts.push_back(at);
        }
        test::PatchContext pc(3, 1);
        const std::string ps = test::programStream(es, cuts);
        const std::string out = test::patched(pc, ps);
        ASSERT_EQ(test::videoEs(out), want) << "round " << round;
        ASSERT_EQ(test::checkScanResult(ps, out), "") << "round " << round;
    }
}

}  // namespace
}  // namespace kadrel
