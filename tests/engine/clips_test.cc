// The scan on real encoder output, checked with the ffmpeg tools as an independent reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "engine/change_oracle.h"
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

// Every 4:3 clip, the cut ones included.
TEST(Clips, SetMakesEveryHeaderWideAndChangesNothingElse) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg not installed";
    for (const char* name : {"pal720x576.mpg", "ntsc720x480.mpg", "pal704x576.mpg", "cif352x288.mpg",
                             "sde704x576.mpg", "cut2042.mpg", "cut1895.mpg"}) {
        PatchContext pc;
        const std::string original = fixture(name);
        const std::string path = pc.dir.write("clip.mpg", original);
        const std::vector<int> aspectBefore = traced(path, "aspect_ratio_information");
        ASSERT_GE(aspectBefore.size(), 5u) << name;
        ASSERT_EQ(aspectBefore, std::vector<int>(aspectBefore.size(), 2)) << name;
        setWideScreenFlag(path, pc.ctx);
        const std::string wide = test::readAll(path);
        EXPECT_EQ(traced(path, "aspect_ratio_information"), std::vector<int>(aspectBefore.size(), 3)) << name;
        // Only aspect ratios change, 4:3 to 16:9 (the extensions already match), and only inside
        // structures: no picture byte.
        for (size_t at : test::changedOffsets(original, wide))
            EXPECT_EQ(wide[at] - original[at], 0x10) << name << " at " << at;
        EXPECT_EQ(test::checkScanResult(original, wide), "") << name;
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

}  // namespace
}  // namespace kadrel
