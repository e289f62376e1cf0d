// Random streams: no crash or hang, the length kept, only structure bytes changed.
#include <gtest/gtest.h>

#include <random>

#include "change_oracle.h"
#include "engine/scan/wide_screen_flag.h"
#include "stream_builder.h"

namespace kadrel {
namespace {

/// Random bytes rich in zeros and start codes, with structures and packet headers mixed in.
std::string randomStream(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255), pick(0, 15), flag(0x10, 0x4F);
    const size_t size = std::uniform_int_distribution<size_t>(0, 45000)(rng);
    std::string s;
    while (s.size() < size) {
        switch (pick(rng)) {
            case 0:
                s += test::seqHeader(byte(rng) % 2 ? 720 : byte(rng) * 4, 576, flag(rng));
                break;
            case 1:
                s += test::sde(0x20 | (byte(rng) & 0x0F), {byte(rng) & 0x0F, 0x42, byte(rng), 0});
                break;
            case 2:
                s += test::rdiPck(byte(rng), byte(rng)).substr(0, 30 + byte(rng) * 8);
                break;
            case 3:
                s += test::packHeader();
                break;
            case 4:
                s += test::bytes({0, 0, 1, 0xE0, byte(rng) % 4, byte(rng), 0x81, 0, byte(rng) % 8});
                break;
            case 5:
                s += test::bytes({0, 0, 1});
                break;
            case 6:
                s += std::string(byte(rng) % 6, '\0');
                break;
            default:
                for (int n = byte(rng); n > 0; --n)
                    s += static_cast<char>(byte(rng) < 40 ? 0 : byte(rng));
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

}  // namespace
}  // namespace kadrel
