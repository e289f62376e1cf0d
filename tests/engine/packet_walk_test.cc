#include "engine/scan/packet_walk.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/scan/chunk_scan.h"
#include "engine/scan/wide_screen_flag.h"
#include "engine/stream_builder.h"

namespace kadrel {
namespace {

using namespace test;  // the stream builders

/// Bytes that read as every structure the scan edits, and are none: a 4:3 and a 16:9 sequence
/// header, a display extension of width 704 and the first 30 bytes of an RDI-PCK.
std::string lookalikes() {
    const std::string rdiStart = bytes({0, 0, 1, 0xBF, 0x07, 0xD4, 0x50}) + filler(21, 0x66) + bytes({0, 3});
    return filler(5) + seqHeader(720, 576, 0x23) + seqHeader(720, 576, 0x33) +
           sde(0x22, {0x0B, 0x02, 0x12, 0}) + rdiStart + filler(3);
}

/// A video packet header that parses neither as MPEG-2 nor as MPEG-1, with lookalikes after it.
std::string unreadablePacket() {
    return bytes({0, 0, 1, 0xE0, 0, 78, 0x00}) + lookalikes();
}

/// One pack: the lookalikes in MPEG audio, LPCM, padding and after an unreadable packet; the
/// real structures in a video packet.
std::string unit(int seqFlag, int sdeWidthByte) {
    return packHeader() + pesPacket(0xC0, lookalikes()) +
           pesPacket(0xBD, bytes({0xA0, 1, 0, 4}) + lookalikes()) +
           pesPacket(0xE0, filler(3) + seqHeader(720, 576, seqFlag) +
                               sde(0x22, {0x0B, sdeWidthByte, 0x12, 0}) + filler(7)) +
           pesPacket(0xBE, lookalikes()) + unreadablePacket();
}

/// Packs after a padding packet of shift bytes, with an RDI-PCK whose start code lies within
/// 45 bytes before or 15 after the first chunk end; the packs alone meet the second one.
std::string stream(size_t shift, int seqFlag, int sdeWidthByte, int rdi28, int rdi29) {
    const std::string pack = unit(seqFlag, sdeWidthByte);
    std::string s = packHeader() + pesPacket(0xBE, filler(shift));
    while (s.size() + pack.size() < kChunkSize - 100)
        s += pack;
    const size_t rdiAt = kChunkSize - 45 + shift % 60;
    s += packHeader() + pesPacket(0xBE, filler(rdiAt - s.size() - 14 - 9)) + rdiPck(rdi28, rdi29);
    s += pesPacket(0xBE, filler(60 - shift % 60 + shift));  // the packs after it move with shift again
    while (s.size() < 23000)
        s += pack;
    return s;
}

// Every packet at every offset around the second chunk end (the shift moves the whole
// pattern one byte at a time through a full pack): set and reset edit the video packet and
// the RDI-PCK, and not one byte of the lookalikes in the other packets or the skipped bytes.
TEST(PacketWalk, StructuresAreEditedOnlyInTheirOwnPacketsAcrossChunkEnds) {
    const size_t packSize = unit(0x23, 0x02).size();
    for (size_t shift = 0; shift <= packSize; ++shift) {
        PatchContext pc(2, 1);
        const std::string wide = stream(shift, 0x33, 0x42, 0x40, 0x13);
        ASSERT_EQ(difference(patched(pc, stream(shift, 0x23, 0x02, 0x00, 0x03)), wide), "")
            << "set, shift " << shift;
        ASSERT_EQ(difference(patched(pc, wide, true), stream(shift, 0x23, 0x42, 0x40, 0x03)), "")
            << "reset, shift " << shift;
    }
}

TEST(PacketWalk, HeaderKindsAndUnreadablePacketsResumeAtTheNextPack) {
    const std::string narrow = filler(2) + seqHeader(720, 576, 0x23),
                      wide = filler(2) + seqHeader(720, 576, 0x33);
    const std::string mpeg1Pack = bytes({0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0, 1});
    const std::string stuffedPack = packHeader().substr(0, 13) + bytes({0xFA, 0xFF, 0xFF});
    const auto mpeg1Video = [](const std::string& es, const std::string& header) {
        const std::string rest = header + es;
        return bytes({0, 0, 1, 0xE0, 0, static_cast<int>(rest.size())}) + rest;
    };
    // A header whose video packet ends after its sixth byte, followed by bytes that are no packet.
    const std::string seq = seqHeader(720, 576, 0x23);
    const std::string runsOut = packHeader() + pesPacket(0xE0, filler(3) + seq.substr(0, 6)) + seq.substr(6);
    const auto both = [&](const std::string& es) {
        return mpeg1Pack + mpeg1Video(es, bytes({0xFF, 0xFF, 0x40, 0, 0x21, 0, 1, 0, 1})) +
               pesPacket(0xC0, lookalikes()) + bytes({0, 0, 1, 0xB9}) + stuffedPack +
               mpeg1Video(es, bytes({0x0F})) + stuffedPack + unreadablePacket() + filler(10) + packHeader() +
               pesPacket(0xE0, es) + runsOut + packHeader() + unreadablePacket();
    };
    PatchContext pc(2, 1, true);
    const std::string in = both(narrow);
    ASSERT_EQ(difference(patched(pc, in), both(wide)), "");
    pc.log.closeDebugLog();
    const std::string log = readAll(pc.dir.file("kadrel.dbg"));
    const size_t skipped = in.find(unreadablePacket());
    const size_t skippedToEnd = in.rfind(unreadablePacket());
    EXPECT_NE(log.find("packet at offset " + std::to_string(skipped) +
                       " cannot be read: " + std::to_string(unreadablePacket().size() + 10) +
                       " bytes up to the next pack left untouched"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("packet at offset " + std::to_string(skippedToEnd) +
                       " cannot be read: " + std::to_string(in.size() - skippedToEnd) +
                       " bytes up to the end of the file left untouched"),
              std::string::npos)
        << log;
}

// An LPCM track whose samples spell a sequence header the scan accepts (720x576, 4:3, 25 Hz),
// muxed by ffmpeg: the scan marks the video 16:9 and leaves every audio sample as it was.
TEST(PacketWalk, LpcmSamplesThatReadAsSequenceHeadersAreLeftAlone) {
    if (shell("ffmpeg -version").find("ffmpeg version") == std::string::npos)
        GTEST_SKIP() << "ffmpeg not installed";
    PatchContext pc;
    const std::string pattern = seqHeader(720, 576, 0x23).substr(0, 8);
    std::string samples;
    while (samples.size() < 48000 * 4 * 2)  // 2 s of 16-bit stereo, stored big-endian by pcm_dvd
        samples += pattern;
    const std::string raw = pc.dir.write("samples.raw", samples);
    const std::string path = pc.dir.file("clip.mpg");
    shell("ffmpeg -nostdin -v error -y -f s16be -ar 48000 -ac 2 -i '" + raw +
          "' -f lavfi -i testsrc=size=720x576:rate=25:duration=2 -c:v mpeg2video -g 12 -q:v 16 -aspect 4:3 "
          "-c:a pcm_dvd -f vob -t 2 '" +
          path + "'");
    const std::string audioMd5 = "ffmpeg -nostdin -v error -i '" + path + "' -map 0:a -f md5 -";
    const std::string aspect =
        "ffprobe -v error -select_streams v -show_entries stream=display_aspect_ratio "
        "-of default=nw=1 '" +
        path + "'";
    const std::string before = shell(audioMd5);
    ASSERT_NE(before.find("MD5="), std::string::npos) << before;
    ASSERT_EQ(shell(aspect), "display_aspect_ratio=4:3\n");
    size_t lookalikes = 0;  // the pattern is there to be found, thousands of times
    const std::string muxed = readAll(path);
    for (size_t at = muxed.find(pattern); at != std::string::npos; at = muxed.find(pattern, at + 1))
        ++lookalikes;
    ASSERT_GT(lookalikes, 10000u);
    EXPECT_EQ(setWideScreenFlag(path, pc.ctx).outcome.error, 0);
    EXPECT_EQ(shell(audioMd5), before);
    EXPECT_EQ(shell(aspect), "display_aspect_ratio=16:9\n");
}

}  // namespace
}  // namespace kadrel
