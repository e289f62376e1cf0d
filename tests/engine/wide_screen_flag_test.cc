#include "engine/scan/wide_screen_flag.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <random>
#include <regex>

#include "engine/scan/chunk_scan.h"
#include "engine/scan/mpeg2_fields.h"
#include "engine/scan/scan_digest.h"
#include "engine/stream_builder.h"

namespace kadrel {
namespace {

using namespace test;  // the stream builders

/// The structure amid filler, patched: only the bytes at its offset at may become expected.
void expectPatched(bool reset, int modifyRdiPck, const std::string& structure, size_t at,
                   const std::string& expected) {
    PatchContext pc(2, modifyRdiPck);
    const std::string in = filler(50) + structure + filler(50);
    std::string want = in;
    want.replace(50 + at, expected.size(), expected);
    EXPECT_EQ(patched(pc, in, reset), want) << (reset ? "reset " : "set ") << at;
}

TEST(WsFlag, HeaderAndRdiPckFlagBytesTable) {
    // {reset, width, byte 7 before, byte 7 after}; resetting makes no size test.
    const int headers[][4] = {
        {0, 720, 0x23, 0x33}, {0, 720, 0x13, 0x33}, {0, 720, 0x43, 0x33}, {0, 720, 0x33, 0x33},
        {0, 704, 0x24, 0x34}, {0, 352, 0x28, 0x38}, {0, 720, 0x11, 0x31}, {0, 720, 0x48, 0x38},
        {0, 720, 0x3A, 0x3A}, {0, 720, 0x53, 0x53}, {0, 720, 0x19, 0x19}, {0, 720, 0x10, 0x10},
        {0, 640, 0x23, 0x23}, {1, 720, 0x33, 0x23}, {1, 720, 0x23, 0x23}, {1, 720, 0x13, 0x13},
        {1, 720, 0x3A, 0x3A}, {1, 640, 0x33, 0x23},
    };
    for (const auto& c : headers)
        expectPatched(c[0], 1, seqHeader(c[1], 576, c[2]), 7, bytes({c[3]}));
    // {reset, modify_rdi-pck, length low byte, sub-stream, bytes 28 and 29 before, after}; a
    // packet of another length or sub-stream is no RDI-PCK, and modify_rdi-pck does not matter
    // when resetting.
    const int packets[][8] = {
        {0, 1, 0xD4, 0x50, 0x00, 0x20, 0x40, 0x10}, {0, 1, 0xD4, 0x50, 0x40, 0x03, 0x40, 0x13},
        {0, 1, 0xD4, 0x50, 0x40, 0x15, 0x40, 0x15}, {0, 2, 0xD4, 0x50, 0x00, 0x03, 0x40, 0x13},
        {0, 0, 0xD4, 0x50, 0x00, 0x03, 0x00, 0x03}, {0, 1, 0xEC, 0x50, 0x00, 0x03, 0x00, 0x03},
        {0, 1, 0xD4, 0x51, 0x00, 0x03, 0x00, 0x03}, {1, 0, 0xD4, 0x50, 0x40, 0x13, 0x40, 0x03},
        {1, 0, 0xD4, 0x50, 0x00, 0x03, 0x40, 0x03}, {1, 0, 0xD4, 0x50, 0x40, 0x03, 0x40, 0x03},
        {1, 0, 0xEC, 0x50, 0x40, 0x13, 0x40, 0x13},
    };
    for (const auto& c : packets)
        expectPatched(c[0], c[1], rdiPck(c[4], c[5], c[2], c[3]), 28, bytes({c[6], c[7]}));
}

TEST(WsFlag, SequenceDisplayExtensionModes) {
    struct Case {
        int mode, h, v;
        std::string ext, expected;
    };
    const std::string pal = sde(0x22, {0x0B, 0x42, 0x12, 0x00});
    const std::string pal704 = sde(0x22, {0x0B, 0x02, 0x12, 0x00});
    const std::string ntsc = sde(0x25, {0x0B, 0x42, 0x0F, 0x00});
    const std::string notSde = bytes({0, 0, 1, 0xB5, 0x14, 0x8A, 0, 1, 0, 0});
    const Case cases[] = {
        {1, 720, 576, pal, std::string(9, '\0')},
        {1, 720, 576, sde(0x23, {0x0B, 0x42, 0x12, 0x00}), std::string(12, '\0')},
        {2, 720, 576, pal704, pal},
        {2, 720, 576, pal, pal},
        {0, 720, 576, pal, pal},
        {4, 720, 576, pal704, pal704},
        {3, 704, 480, sde(0x25, {0x0B, 0x02, 0x0F, 0x00}), ntsc},
        {3, 704, 480, ntsc, ntsc},
        {1, 720, 576, notSde, notSde},
        {1, 720, 576, sde(0x20, {0x0B, 0x42, 0x12, 0}), sde(0x20, {0x0B, 0x42, 0x12, 0})},  // component
        {1, 720, 576, sde(0x26, {0x0B, 0x42, 0x12, 0}), sde(0x26, {0x0B, 0x42, 0x12, 0})},  // SECAM
        {1, 720, 576, sde(0x2C, {0x0B, 0x42, 0x12, 0}), sde(0x2C, {0x0B, 0x42, 0x12, 0})},  // reserved
        {1, 720, 576, sde(0x22, {0x0B, 0x40, 0x12, 0}), sde(0x22, {0x0B, 0x40, 0x12, 0})},  // marker
        {1, 720, 576, sde(0x22, {0x0B, 0x42, 0x12, 4}), sde(0x22, {0x0B, 0x42, 0x12, 4})},  // padding
    };
    for (const Case& c : cases) {
        PatchContext pc(c.mode, 1);
        EXPECT_EQ(patched(pc, seqHeader(c.h, c.v, 0x23) + c.ext + filler(40)),
                  seqHeader(c.h, c.v, 0x33) + c.expected + filler(40))
            << "mode " << c.mode << " case " << (&c - cases);
    }
}

// Every structure kind at every offset around the first chunk end (start codes split by it,
// those inside each kind's near-end limit), and again around the end of the chunk that
// follows a chunk moved back; set, then reset on the result.
TEST(WsFlag, StructuresAroundChunkBoundariesAreSetAndReset) {
    struct Kind {
        std::string narrow, wide, reset;
    };
    const std::string narrowSeq = seqHeader(720, 576, 0x23), wideSeq = seqHeader(720, 576, 0x33);
    const std::string wideSde = sde(0x22, {0x0B, 0x42, 0x12, 0});
    const Kind kinds[] = {{narrowSeq, wideSeq, narrowSeq},
                          {sde(0x22, {0x0B, 0x02, 0x12, 0}), wideSde, wideSde},
                          {rdiPck(0x00, 0x03), rdiPck(0x40, 0x13), rdiPck(0x40, 0x03)}};
    for (const Kind& k : kinds) {
        for (size_t at = 9950; at <= 10010; ++at) {
            for (size_t second : {size_t{0}, size_t{19960}, size_t{19985}, size_t{19995}}) {
                std::string in = wideSeq + filler(24000), wide = in, narrow = narrowSeq + filler(24000);
                for (size_t pos : {at, second}) {
                    if (pos == 0)
                        continue;
                    in.replace(pos, k.narrow.size(), k.narrow);
                    wide.replace(pos, k.wide.size(), k.wide);
                    narrow.replace(pos, k.reset.size(), k.reset);
                }
                PatchContext pc(2, 1);
                ASSERT_EQ(patched(pc, in), wide) << "set at " << at << " second " << second;
                ASSERT_EQ(patched(pc, wide, true), narrow) << "reset at " << at << " second " << second;
            }
        }
    }
}

TEST(WsFlag, StructuresCutByTheEndOfTheFileAreLeftAndTheScanEnds) {
    const std::string tails[] = {seqHeader(720, 576, 0x23).substr(0, 7),
                                 sde(0x22, {0x0B, 0x02, 0x12, 0}).substr(0, 8), rdiPck(0, 3).substr(0, 29),
                                 bytes({0, 0, 1}), bytes({0, 0})};
    for (size_t size : {500, 10000, 19999}) {
        for (const std::string& tail : tails) {
            PatchContext pc(1, 1, true);  // the debug dump must not read past the file either
            const std::string rest = filler(size - 12 - tail.size()) + tail;
            EXPECT_EQ(patched(pc, seqHeader(720, 576, 0x23) + rest), seqHeader(720, 576, 0x33) + rest)
                << size << " " << tail.size();
        }
        // A header whose flag byte is the file's very last byte is whole: it is set, and the
        // scan reports exactly the offsets it wrote (the delete proof relies on them).
        PatchContext pc(1, 1);
        const std::string path = pc.dir.write("clip.mpg", seqHeader(720, 576, 0x23) + filler(size - 20) +
                                                              seqHeader(720, 576, 0x23).substr(0, 8));
        const ScanOutcome outcome = setWideScreenFlag(path, pc.ctx);
        EXPECT_EQ(outcome.outcome.error, 0);
        EXPECT_EQ(outcome.changed, (std::vector<int64_t>{7, static_cast<int64_t>(size) - 1})) << size;
        EXPECT_EQ(test::readAll(path),
                  seqHeader(720, 576, 0x33) + filler(size - 20) + seqHeader(720, 576, 0x33).substr(0, 8));
    }
}

TEST(WsFlag, FileThatCannotBeOpenedIsLeftAndItsErrorReturned) {
    PatchContext pc(2, 1);
    EXPECT_EQ(setWideScreenFlag(pc.dir.file("missing.mpg"), pc.ctx).outcome.error, ENOENT);
    EXPECT_EQ(setWideScreenFlag(pc.dir.path(), pc.ctx).outcome.error, EISDIR);  // a folder
}

// The digest taken while scanning holds the bytes planned before each chunk was hashed; a byte
// planned later over a hashed one (no scan does that today) leaves the caller to read the file.
TEST(WsFlag, AnEditBehindTheHashedBytesVoidsTheScansDigest) {
    for (const int64_t editAt : {int64_t{150}, int64_t{50}}) {
        TempDir dir;
        const std::string path = dir.write("clip.mpg", filler(300));
        platform::RandomAccessFile raw;
        ASSERT_EQ(raw.open(path, false), 0);
        StreamFile file(raw, true);
        ScanDigest digest(file);
        ScanChunk chunk;
        ASSERT_TRUE(chunk.read(file, 0));
        digest.chunkDone(chunk, 100);
        const uint8_t x = 0x5A;
        file.write(editAt, &x, 1);
        digest.chunkDone(chunk, 300);
        std::string edited = filler(300);
        edited[static_cast<size_t>(editAt)] = static_cast<char>(x);
        const std::string want = dir.write("edited.mpg", edited);
        platform::Digest expected;
        ASSERT_EQ(platform::digestOfFile(want, expected), 0);
        const std::optional<platform::Digest> got = digest.result(300);
        if (editAt < 100)
            EXPECT_FALSE(got.has_value());
        else
            EXPECT_TRUE(got && got->hex() == expected.hex());
    }
}

TEST(WsFlag, EditsAStructureBeyondFourGibibytesAtItsOffset) {
    PatchContext pc;
    const std::string path = pc.dir.file("big.mpg");
    const int64_t at = (int64_t{1} << 32) + 12345;
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(at);
        out << seqHeader(720, 576, 0x23) << filler(100);
    }
    setWideScreenFlag(path, pc.ctx);
    platform::RandomAccessFile f;
    ASSERT_EQ(f.open(path, false), 0);
    int64_t size = 0;
    EXPECT_EQ(f.size(size), 0);
    EXPECT_EQ(size, at + 112);
    char b[20];
    size_t got = 0;
    ASSERT_EQ(f.readAt(reinterpret_cast<uint8_t*>(b), 20, at - 8, got), 0);
    ASSERT_EQ(got, 20u);
    EXPECT_EQ(std::string(b, 20), std::string(8, '\0') + seqHeader(720, 576, 0x33));
}

// The ffmpeg tools as a reader that shares none of the scan's parsing: on real encoder output,
// the cut clips included, every sequence header reads 16:9 afterwards, not one decoded frame
// differs, and the reset gives the 4:3 clip back byte for byte.

// The aspect_ratio_information of every sequence header, as ffmpeg's trace_headers reads it.
std::vector<int> tracedAspects(const std::string& path) {
    const std::string out =
        shell("ffmpeg -nostdin -i '" + path + "' -map 0:v -c copy -bsf:v trace_headers -f null -");
    std::vector<int> values;
    const std::regex field(" aspect_ratio_information +[01]+ = (\\d+)");
    for (std::sregex_iterator it(out.begin(), out.end(), field), end; it != end; ++it)
        values.push_back(std::stoi((*it)[1]));
    return values;
}

TEST(WsFlag, RealClipsReadWideToAnIndependentDecoderWithEveryFrameKept) {
    if (shell("ffmpeg -version").find("ffmpeg version") == std::string::npos)
        GTEST_SKIP() << "ffmpeg not installed";
    for (const char* name : {"pal720x576.mpg", "ntsc720x480.mpg", "cif352x288.mpg", "sde704x576.mpg",
                             "cut2042.mpg", "cut1895.mpg"}) {
        PatchContext pc;
        const std::string original = test::readAll(std::string(KADREL_TEST_DATA) + "/" + name);
        const std::string path = pc.dir.write("clip.mpg", original);
        const std::string frames =
            "ffmpeg -nostdin -v error -i '" + path + "' -map 0:v -f framemd5 - | grep -v '^#'";
        const std::string framesBefore = shell(frames);
        const std::vector<int> aspects = tracedAspects(path);
        ASSERT_GE(aspects.size(), 5u) << name;
        ASSERT_EQ(aspects, std::vector<int>(aspects.size(), 2)) << name;
        const ScanOutcome scan = setWideScreenFlag(path, pc.ctx, {false, nullptr, false, true});
        platform::Digest after;
        ASSERT_EQ(platform::digestOfFile(path, after), 0);
        ASSERT_TRUE(scan.digest.has_value()) << name << ": a clip's digest is taken as it is scanned";
        EXPECT_EQ(scan.digest->hex(), after.hex()) << name;
        EXPECT_EQ(tracedAspects(path), std::vector<int>(aspects.size(), 3)) << name;
        EXPECT_EQ(shell(frames), framesBefore) << name;
        resetWideScreenFlag(path, pc.ctx);
        EXPECT_EQ(test::readAll(path), original) << name;
    }
}

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

// Structures cut by packet headers (remuxed files): followed across the headers, or left
// untouched when the continuation is uncertain. kVideoPes is where the first video packet of
// programStream begins, after the pack header and the audio packet.
constexpr size_t kVideoPes = 14 + 9 + 40;
const std::string kHeader = seqHeader(720, 576, 0x23);

// A sequence header and its 12-byte extension, cut by packet headers after every one of
// their bytes past the start code, and once cut twice each by tiny packets: the edits land
// on the structures' own bytes wherever they lie, and on nothing else. (A start code split
// by a packet is not found by the byte search at all.)
TEST(PsContinuation, StructuresCutAfterEveryByteAreEditedWhereTheyLie) {
    const std::string colour704 = sde(0x23, {0x0B, 0x02, 0x12, 0x00});
    const std::string es = filler(300) + kHeader + colour704 + bytes({0, 0, 1, 0xB8}) + filler(300);
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
            EXPECT_EQ(patched(pc, programStream(es, cuts)), programStream(wantEs, cuts))
                << "mode " << mode << " cut " << cuts[0] << " of " << cuts.size();
        }
    }
}

// When the bytes after the cut cannot be tied to the next packet of the same video stream,
// nothing is written.
TEST(PsContinuation, UncertainContinuationLeavesTheStructureUntouched) {
    const std::string es = filler(100) + kHeader + filler(100);
    std::string wrongLength = programStream(es, {105});
    wrongLength[kVideoPes + 5] += 1;  // the first video packet claims one byte more
    std::string otherStream = programStream(es, {105});
    otherStream[kVideoPes + 3] = static_cast<char>(0xE1);  // the header sits in stream E1, then E0 follows
    std::string garbage = programStream(es, {105});
    garbage.replace(kVideoPes + 9 + 105, 14, filler(14, 0x12));  // no pack header where one must be
    garbage.insert(kVideoPes + 9 + 105, bytes({0, 0, 1}));
    garbage.erase(kVideoPes + 9 + 105 + 3, 3);
    std::string audio = packHeader() + pesPacket(0xC0, filler(20) + kHeader.substr(0, 6)) + packHeader() +
                        pesPacket(0xC0, kHeader.substr(6) + filler(20));
    for (const std::string& ps : {wrongLength, otherStream, garbage, audio}) {
        PatchContext pc(3, 1);
        EXPECT_EQ(patched(pc, ps), ps);
    }
}

// Between the pieces: stuffed and MPEG-1 packs, MPEG-1 packets of every header kind.
TEST(PsContinuation, StuffedPacksAndMpeg1PacketHeadersAreSteppedOver) {
    const std::string es = filler(100) + kHeader + filler(100);
    const std::string wideEs = filler(100) + seqHeader(720, 576, 0x33) + filler(100);
    const std::string stuffedPack = packHeader().substr(0, 13) + bytes({0xFA, 0xFF, 0xFF});
    const std::pair<std::string, std::string> between[] = {
        {stuffedPack, bytes({0xFF, 0xFF, 0x21, 0, 1, 0, 1})},
        {bytes({0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0, 1}), bytes({0x60, 0, 0x0F})},
        {stuffedPack, bytes({0x31, 0, 1, 0, 1, 0x11, 0, 1, 0, 1})}};
    for (const auto& [pack, header] : between) {
        const auto ps = [&](const std::string& s) {
            const std::string rest = header + s.substr(105);
            return packHeader() + pesPacket(0xE0, s.substr(0, 105)) + pack +
                   bytes({0, 0, 1, 0xE0, 0, static_cast<int>(rest.size())}) + rest;
        };
        PatchContext pc;
        EXPECT_EQ(patched(pc, ps(es)), ps(wideEs)) << header.size();
    }
}

}  // namespace
}  // namespace kadrel
