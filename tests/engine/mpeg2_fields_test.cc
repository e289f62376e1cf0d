#include "engine/scan/mpeg2_fields.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/scan/chunk_scan.h"

namespace kadrel {
namespace {

// The chunk's one-pass start-code index against a plain search, on random chunks of every
// length around the steps of the fast path.
TEST(Mpeg2Fields, StartCodeIndexFindsWhatAPlainSearchFinds) {
    std::mt19937 rng(5);
    for (size_t length = 0; length < 100; ++length) {
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> data(kChunkSize);
            for (size_t i = 0; i < length; ++i)
                data[i] = static_cast<uint8_t>(rng() % 3 == 0 ? 0 : rng() % 2 ? 1 : 0xB3);
            ScanChunk chunk;
            chunk.data = data.data();
            chunk.length = length;
            chunk.indexStartCodes({kSequenceHeaderCode});
            for (size_t from = 1; from <= length + 1; ++from) {
                size_t plain = 0;
                for (size_t p = from; p + 3 <= length && !plain; ++p)
                    if (data[p - 1] == 0 && data[p] == 0 && data[p + 1] == 1 && data[p + 2] == 0xB3)
                        plain = p;
                ASSERT_EQ(chunk.find(kSequenceHeaderCode, from, length + 1), plain) << length << " " << from;
                if (plain) {
                    ASSERT_EQ(chunk.find(kSequenceHeaderCode, from, plain), 0u) << length << " " << from;
                }
            }
        }
    }
}

}  // namespace
}  // namespace kadrel
