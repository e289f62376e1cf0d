#include "mpeg2patch/streamfile.h"

#include <gtest/gtest.h>

#include <string>

#include "../support/tempdir.h"
#include "platform/fileio.h"

namespace kadrel {
namespace {

// Several blocks of the file, so that views move from one block into the next.
constexpr size_t kFileSize = (size_t{8} << 20) + 23456;

std::string patterned(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

std::string viewed(StreamFile& f, int64_t at, size_t n) {
    size_t got = 0;
    const uint8_t* p = f.view(at, n, got);
    return std::string(reinterpret_cast<const char*>(p), got);
}

uint8_t byteOf(StreamFile& f, int64_t at) {
    uint8_t v = 0;
    EXPECT_TRUE(f.byteAt(at, v)) << at;
    return v;
}

// The scan relies on one rule: a write reaches the file at once, but the chunk being scanned,
// and the bytes around it, keep what they were read with until the next chunk is taken. The
// views must also hand out the file's bytes across block boundaries and at the end.
TEST(StreamFile, ViewsKeepTheirBytesUntilTheNextViewAndFollowTheFile) {
    {
        test::TempDir dir;
        const std::string original = patterned(kFileSize);
        const std::string path = dir.write("clip.mpg", original);
        platform::RandomAccessFile raw;
        ASSERT_TRUE(raw.open(path, true));
        StreamFile f(raw);

        size_t got = 0;
        const uint8_t* chunk = f.view(0, 10000, got);
        ASSERT_EQ(got, 10000u);
        const uint8_t edit[2] = {0xAA, 0x55};
        EXPECT_EQ(f.write(4095, edit, 2), 2);  // across a page boundary
        EXPECT_EQ(chunk[4095], static_cast<uint8_t>(original[4095]));
        EXPECT_EQ(chunk[4096], static_cast<uint8_t>(original[4096]));
        EXPECT_EQ(byteOf(f, 4096), static_cast<uint8_t>(original[4096]));

        std::string expected = original;
        expected[4095] = static_cast<char>(0xAA);
        expected[4096] = static_cast<char>(0x55);
        EXPECT_EQ(viewed(f, 9997, 10000), expected.substr(9997, 10000));
        EXPECT_EQ(viewed(f, 0, 10000), expected.substr(0, 10000));

        const int64_t boundary = int64_t{8} << 20;
        EXPECT_EQ(viewed(f, boundary - 5000, 10000), original.substr(boundary - 5000, 10000));
        EXPECT_EQ(byteOf(f, 100), static_cast<uint8_t>(expected[100]));
        EXPECT_EQ(viewed(f, kFileSize - 3000, 10000), original.substr(kFileSize - 3000));
        uint8_t past = 0;
        EXPECT_FALSE(f.byteAt(kFileSize, past));
        raw.close();
        EXPECT_EQ(test::readAll(path), expected);  // nothing but the two written bytes changed
    }
}

}  // namespace
}  // namespace kadrel
