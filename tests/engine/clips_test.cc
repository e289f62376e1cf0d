// The scan on real encoder output, checked with the ffmpeg tools as an independent reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "engine/scan/wide_screen_flag.h"
#include "stream_builder.h"

namespace kadrel {
namespace {

using test::PatchContext;

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool haveFfmpeg() {
    return run("ffmpeg -version").find("ffmpeg version") != std::string::npos;
}

std::string fixture(const std::string& name) {
    return test::readAll(std::string(KADREL_TEST_DATA) + "/" + name);
}

/// One MD5 per decoded video frame.
std::string videoFrameMd5(const std::string& path) {
    return run("ffmpeg -nostdin -v error -i '" + path + "' -map 0:v -f framemd5 - | grep -v '^#'");
}

/// The values of one field in every header of the video stream, as the trace_headers filter reads them.
std::vector<int> traced(const std::string& path, const std::string& field) {
    const std::string out =
        run("ffmpeg -nostdin -i '" + path + "' -map 0:v -c copy -bsf:v trace_headers -f null -");
    std::vector<int> values;
    const std::regex re(" " + field + " +[01]+ = (\\d+)");
    for (std::sregex_iterator it(out.begin(), out.end(), re), end; it != end; ++it)
        values.push_back(std::stoi((*it)[1]));
    return values;
}

/// True when every decoded frame shows at 16:9 (frame width times sample aspect ratio over height).
bool allFramesWide(const std::string& path) {
    std::istringstream in(
        run("ffprobe -v error -select_streams v -show_entries frame=width,height,sample_aspect_ratio "
            "-of csv=p=0 '" +
            path + "'"));
    int frames = 0;
    for (std::string line; std::getline(in, line);) {
        int w = 0, h = 0, num = 0, den = 0;
        if (line.empty())
            continue;
        if (std::sscanf(line.c_str(), "%d,%d,%d:%d", &w, &h, &num, &den) != 4)
            return false;
        if (int64_t{w} * num * 9 != int64_t{h} * den * 16)
            return false;
        ++frames;
    }
    return frames >= 48;
}

/// Offsets of every start code with the given code: in the file, or in the video stream.
std::vector<size_t> startCodes(const std::string& s, char code) {
    std::vector<size_t> out;
    const std::string sc = std::string("\0\0\1", 3) + code;
    for (size_t at = s.find(sc); at != std::string::npos; at = s.find(sc, at + 4))
        out.push_back(at);
    return out;
}

/// File offsets of byte 7 of every sequence header, found through the tests' own demuxer.
std::vector<size_t> flagByteOffsets(const std::string& ps) {
    const std::vector<int64_t> video = test::videoByteOffsets(ps);
    std::vector<size_t> out;
    for (size_t at : startCodes(test::videoEs(ps), '\xB3'))
        out.push_back(static_cast<size_t>(video[at + 7]));
    return out;
}

/// The clip with a 2048-byte pack carrying an RDI-PCK (4:3) before the pack of each GOP's header.
std::string withRdiPcks(const std::string& ps, std::vector<size_t>& rdiOffsets) {
    const std::string system =
        test::bytes({0,    0,    1,    0xBB, 0,    18,   0x80, 0x1F, 0x41, 0x04, 0xE1, 0xFF,
                     0xE0, 0xE0, 0xE8, 0xC0, 0xC0, 0x20, 0xBD, 0xE0, 0x3A, 0xBF, 0xE0, 0x02});
    std::string out;
    size_t from = 0;
    for (size_t seq : startCodes(ps, '\xB3')) {
        const size_t pack = ps.rfind(std::string("\0\0\1\xBA", 4), seq);
        out += ps.substr(from, pack - from);
        rdiOffsets.push_back(out.size() + 14 + system.size());
        out += ps.substr(pack, 14) + system + test::rdiPck(0x40, 0x03);
        from = pack;
    }
    return out + ps.substr(from);
}

// Every 4:3 clip, the cut ones and a camcorder-like one with RDI-PCKs included.
TEST(Clips, SetMakesEveryHeaderWideWithoutChangingAFrame) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg not installed";
    for (const char* name : {"pal720x576.mpg", "ntsc720x480.mpg", "pal704x576.mpg", "cif352x288.mpg",
                             "sde704x576.mpg", "cut2042.mpg", "cut1895.mpg", "camcorder"}) {
        PatchContext pc;
        std::vector<size_t> rdi;
        const std::string original =
            name == std::string("camcorder") ? withRdiPcks(fixture("pal720x576.mpg"), rdi) : fixture(name);
        const std::string path = pc.dir.write("clip.mpg", original);
        const std::string framesBefore = videoFrameMd5(path);
        const std::vector<int> aspectBefore = traced(path, "aspect_ratio_information");
        ASSERT_GE(aspectBefore.size(), 5u) << name;
        ASSERT_EQ(aspectBefore, std::vector<int>(aspectBefore.size(), 2)) << name;
        ASSERT_EQ(rdi.size(), name == std::string("camcorder") ? 5u : 0u);
        setWideScreenFlag(path, pc.ctx);
        const std::string wide = test::readAll(path);
        EXPECT_EQ(videoFrameMd5(path), framesBefore) << name;
        EXPECT_EQ(traced(path, "aspect_ratio_information"), std::vector<int>(aspectBefore.size(), 3)) << name;
        EXPECT_TRUE(allFramesWide(path)) << name;
        // Only the flag bytes of the headers and RDI-PCKs change (the extensions already match).
        std::vector<size_t> flags = flagByteOffsets(original);
        for (size_t at : rdi)
            flags.push_back(at + 29);
        for (size_t at : rdi)
            EXPECT_EQ(wide.substr(at + 28, 2), test::bytes({0x40, 0x13})) << at;
        std::sort(flags.begin(), flags.end());
        EXPECT_EQ(test::changedOffsets(original, wide), flags) << name;
        setWideScreenFlag(path, pc.ctx);
        EXPECT_EQ(test::readAll(path), wide) << name << ": setting twice differs from once";
        resetWideScreenFlag(path, pc.ctx);
        EXPECT_EQ(test::readAll(path), original) << name << ": reset does not give the 4:3 clip back";
    }
    PatchContext pc;
    const std::string vga = fixture("vga640x480.mpg");
    ASSERT_GT(vga.size(), 100000u);
    EXPECT_EQ(test::patched(pc, vga), vga) << "a clip of another width is left byte for byte";
}

// The remuxed clips really are cut where the tests need it: a header after its size bytes,
// extensions in their colour and size bytes.
TEST(Clips, CutClipsHoldStructuresCutByPacketHeaders) {
    for (const char* name : {"cut2042.mpg", "cut1895.mpg"}) {
        const std::string ps = fixture(name);
        const std::vector<size_t> flags = flagByteOffsets(ps);
        size_t cutHeaders = 0, cutExtensions = 0;
        for (size_t at : startCodes(ps, '\xB3'))
            cutHeaders += std::find(flags.begin(), flags.end(), at + 7) == flags.end();
        EXPECT_EQ(cutHeaders, std::string(name) == "cut2042.mpg" ? 1u : 0u) << name;
        const std::vector<int64_t> video = test::videoByteOffsets(ps);
        const std::string es = test::videoEs(ps);
        for (size_t at : startCodes(es, '\xB5'))
            cutExtensions += (es[at + 4] & 0xF0) == 0x20 && video[at + 11] - video[at] != 11;
        EXPECT_EQ(cutExtensions, 1u) << name;
    }
}

TEST(Clips, ExtensionsRewrittenOrDeletedThroughPacketHeadersKeepEveryFrame) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg not installed";
    for (const char* name : {"sde704x576.mpg", "cut2042.mpg", "cut1895.mpg"}) {
        for (int mode : {1, 3}) {
            PatchContext pc(mode, 1);
            const std::string original = fixture(name);
            const std::string path = pc.dir.write(name, original);
            const std::string framesBefore = videoFrameMd5(path);
            const size_t extensions = traced(path, "display_horizontal_size").size();
            ASSERT_GE(extensions, 5u) << name;
            setWideScreenFlag(path, pc.ctx);
            EXPECT_EQ(videoFrameMd5(path), framesBefore) << name << " mode " << mode;
            const std::vector<int> widths(mode == 1 ? 0 : extensions, 720);  // deleted, or all 720
            EXPECT_EQ(traced(path, "display_horizontal_size"), widths) << name;
            // Nothing outside the video payload changes: no pack or PES header is touched.
            const std::vector<int64_t> video = test::videoByteOffsets(original);
            for (size_t at : test::changedOffsets(original, test::readAll(path)))
                ASSERT_TRUE(std::binary_search(video.begin(), video.end(), static_cast<int64_t>(at)))
                    << name << " " << at;
        }
    }
}

}  // namespace
}  // namespace kadrel
