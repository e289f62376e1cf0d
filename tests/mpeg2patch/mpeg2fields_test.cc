#include "mpeg2patch/mpeg2fields.h"

#include <gtest/gtest.h>

#include <random>

#include "mpeg2patch/chunkscan.h"

#include "streambuilder.h"

namespace kadrel {
namespace {

TEST(Mpeg2Fields, EncodeDisplaySizeMatchesTheStandardLayoutAndDecodesBack) {
    struct Case { int h, v; DisplaySizeBytes bytes; };
    const Case cases[] = {{720, 576, {0x0B, 0x42, 0x12, 0x00}},
                          {704, 576, {0x0B, 0x02, 0x12, 0x00}},
                          {720, 480, {0x0B, 0x42, 0x0F, 0x00}},
                          {352, 288, {0x05, 0x82, 0x09, 0x00}},
                          {16383, 0x2000 | 5, {0xFF, 0xFF, 0x00, 0x28}}};
    for (const Case& c : cases) {
        DisplaySizeBytes got{};
        EncodeDisplaySize(c.h, c.v, got);
        EXPECT_EQ(got, c.bytes) << c.h << "x" << c.v;
        int h = 0, v = 0;
        decodeDisplaySize(got.data(), h, v);
        EXPECT_EQ(h, c.h & 0x3FFF);
        EXPECT_EQ(v, c.v & 0x3FFF);
    }
}

TEST(Mpeg2Fields, ByteTestsFollowTheFieldTables) {
    EXPECT_EQ(ByteToHex(0x0A), "0A");
    EXPECT_EQ(ByteToHex(0xB3), "B3");
    EXPECT_TRUE(IsValidVideoFormat(0x23));   // video_format 1, colour description
    EXPECT_TRUE(IsValidVideoFormat(0x24));   // video_format 2
    EXPECT_FALSE(IsValidVideoFormat(0x20));  // component
    EXPECT_FALSE(IsValidVideoFormat(0x26));  // SECAM
    EXPECT_TRUE(IsBitSet(0x42, 1));
    EXPECT_FALSE(IsBitSet(0x40, 1));
    EXPECT_TRUE(IsRdiPck(0x07, 0xD4, 0x50));
    EXPECT_FALSE(IsRdiPck(0x07, 0xEC, 0x50));
    for (int b = 0; b < 256; ++b) {
        const bool inRange = (b >= 0x11 && b <= 0x18) || (b >= 0x21 && b <= 0x28) ||
                             (b >= 0x31 && b <= 0x38) || (b >= 0x41 && b <= 0x48);
        EXPECT_EQ(isAcceptedFlagByte(static_cast<uint8_t>(b)), inRange) << b;
    }
}

TEST(Mpeg2Fields, HexDumpStartsAtZeroWhenItWouldRunPastTheBuffer) {
    const uint8_t buf[5] = {0x00, 0x01, 0xAB, 0xFF, 0x10};
    EXPECT_EQ(HexDump(buf, 5, 1, 3), "01 AB FF ");
    EXPECT_EQ(HexDump(buf, 5, 2, 3), "AB FF 10 ");
    EXPECT_EQ(HexDump(buf, 5, 3, 3), "00 01 AB ");
}

TEST(Mpeg2Fields, HorizontalResolutionTestLogsItsResult) {
    test::PatchContext pc(2, 1, true);
    EXPECT_TRUE(IsValidHorResolution(0x2D, 0x02, pc.ctx));   // 720
    EXPECT_TRUE(IsValidHorResolution(0x2C, 0x02, pc.ctx));   // 704
    EXPECT_TRUE(IsValidHorResolution(0x16, 0x01, pc.ctx));   // 352
    EXPECT_FALSE(IsValidHorResolution(0x28, 0x01, pc.ctx));  // 640
    EXPECT_EQ(pc.logLines(), (std::vector<std::string>{"IsValidHorResolution=True resvalue=720",
                                                       "IsValidHorResolution=True resvalue=704",
                                                       "IsValidHorResolution=True resvalue=352",
                                                       "IsValidHorResolution=False resvalue=640"}));
}

// The chunk's one-pass start-code index against a plain search, on random chunks of every
// length around the sixteen-byte steps of the fast path.
TEST(Mpeg2Fields, StartCodeIndexFindsWhatAPlainSearchFinds) {
    std::mt19937 rng(5);
    for (size_t length = 0; length < 80; ++length) {
        for (int round = 0; round < 50; ++round) {
            std::vector<uint8_t> data(kChunkSize);
            for (size_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(rng() % 3 == 0 ? 0 : rng() % 2 ? 1 : 0xB3);
            ScanChunk chunk;
            chunk.data = data.data();
            chunk.length = length;
            chunk.indexStartCodes({kSequenceHeaderCode});
            for (size_t from = 1; from <= length + 1; ++from) {
                size_t plain = 0;
                for (size_t p = from; p + 3 <= length && !plain; ++p)
                    if (data[p - 1] == 0 && data[p] == 0 && data[p + 1] == 1 && data[p + 2] == 0xB3) plain = p;
                ASSERT_EQ(chunk.find(kSequenceHeaderCode, from, length + 1), plain) << length << " " << from;
                if (plain) {
                    EXPECT_EQ(chunk.find(kSequenceHeaderCode, from, plain), 0u);
                }
            }
        }
    }
}

}  // namespace
}  // namespace kadrel
