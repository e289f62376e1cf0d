#include "engine/scan/stream_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/file_io.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

// The scan relies on one rule: a write reaches the file at once, but the chunk being scanned,
// and the bytes around it, keep what they were read with until the next chunk is taken. The
// views must also hand out the file's bytes across block boundaries and at the end.
TEST(StreamFile, ViewsKeepTheirBytesUntilTheNextViewAndFollowTheFile) {
    const size_t fileSize = (size_t{8} << 20) + 23456;  // several blocks
    std::string original(fileSize, '\0');
    for (size_t i = 0; i < fileSize; ++i)
        original[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    test::TempDir dir;
    const std::string path = dir.write("clip.mpg", original);
    platform::RandomAccessFile raw;
    ASSERT_TRUE(raw.open(path, true));
    StreamFile f(raw);
    const auto viewed = [&](int64_t at, size_t n) {
        size_t got = 0;
        const uint8_t* p = f.view(at, n, got);
        return std::string(reinterpret_cast<const char*>(p), got);
    };
    size_t got = 0;
    const uint8_t* chunk = f.view(0, 10000, got);
    ASSERT_EQ(got, 10000u);
    const uint8_t edit[2] = {0xAA, 0x55};
    EXPECT_EQ(f.write(4095, edit, 2), 2);  // across a page boundary
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk) + 4095, 2), original.substr(4095, 2));
    uint8_t v = 0;
    EXPECT_TRUE(f.byteAt(4096, v));
    EXPECT_EQ(v, static_cast<uint8_t>(original[4096]));

    std::string expected = original;
    expected.replace(4095, 2, "\xAA\x55");
    EXPECT_EQ(viewed(9997, 10000), expected.substr(9997, 10000));
    EXPECT_EQ(viewed(0, 10000), expected.substr(0, 10000));
    const int64_t boundary = int64_t{8} << 20;
    EXPECT_EQ(viewed(boundary - 5000, 10000), original.substr(boundary - 5000, 10000));
    EXPECT_TRUE(f.byteAt(100, v));
    EXPECT_EQ(v, static_cast<uint8_t>(expected[100]));
    EXPECT_EQ(viewed(fileSize - 3000, 10000), original.substr(fileSize - 3000));
    EXPECT_FALSE(f.byteAt(fileSize, v));
    raw.close();
    EXPECT_EQ(test::readAll(path), expected);  // nothing but the two written bytes changed
}

}  // namespace
}  // namespace kadrel
