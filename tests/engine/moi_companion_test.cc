#include "engine/copy/moi_companion.h"

#include <gtest/gtest.h>

#include <utility>

#include "engine/moi_writer.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

/// The opening of a .MOI from a 16:9 PAL recording, as the camera wrote it.
std::string realCompanion() {
    std::string b("\x56\x36\x00\x00\x01\x16\x07\xd9\x07\x11\x0e\x12\xc3\x50\x00\x00\x05\xa0", 18);
    b.resize(256, '\0');
    b[0x80] = 0x55;
    return b;
}

std::string summary(const std::optional<MoiRecord>& r) {
    return r ? recordingTimeText(*r) + " " + lengthText(r->lengthMs) + " " + aspectText(r->aspect) : "none";
}

TEST(MoiCompanion, ReadsWhatTheCameraWroteAndNothingElse) {
    using test::moiBytes;
    // MOV001.MOI beside MOV001.MOD, what is read from it
    const std::pair<std::string, const char*> cases[] = {
        {realCompanion(), "17/07/2009 14:18:50.000 0:00:01.44 16:9"},
        {moiBytes({.msOfMinute = 59999, .lengthMs = 3723450, .format = 0x50}),
         "17/07/2009 14:18:59.999 1:02:03.45 4:3"},
        {moiBytes({.format = 0x51}), "17/07/2009 14:18:50.000 0:00:01.44 4:3"},
        {moiBytes({.format = 0x54}), "17/07/2009 14:18:50.000 0:00:01.44 16:9"},
        {moiBytes({.format = 0x53}), "17/07/2009 14:18:50.000 0:00:01.44 unknown"},
        {moiBytes({.year = 2008, .month = 2, .day = 29, .hour = 23, .minute = 59}),
         "29/02/2008 23:59:50.000 0:00:01.44 16:9"},
        {moiBytes({.size = 0x81}), "17/07/2009 14:18:50.000 0:00:01.44 16:9"},
        {moiBytes({.size = 0x80}), "none"},
        {moiBytes({.version = "V5"}), "none"},
        {moiBytes({.year = 2009, .month = 2, .day = 29}), "none"},
        {moiBytes({.month = 13}), "none"},
        {moiBytes({.hour = 24}), "none"},
        {moiBytes({.msOfMinute = 60000}), "none"},
        {moiBytes({.year = 0x3030}), "none"},  // "V6" and then text
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const std::string clip = dir.write("MOV001.MOD", "clip");
        dir.write("MOV001.MOI", c.first);
        EXPECT_EQ(summary(readCompanion(clip)), c.second) << "case " << &c - cases;
    }
}

// A companion belongs to a clip of any extension whose base name it has in any case; a renamed
// clip's companion takes the new base name and keeps its own extension as written.
TEST(MoiCompanion, PairsWithAClipOfAnyExtensionAndFollowsItsName) {
    test::TempDir dir;
    dir.write("mov001.MOI", test::moiBytes({.format = 0x50}));
    const std::pair<const char*, const char*> clips[] = {
        {"MOV001.MPG", "4:3"}, {"mov001.mod", "4:3"}, {"MOV001", "4:3"}, {"mov001.MOI", "none"}};
    for (const auto& [name, aspect] : clips) {
        const std::optional<MoiRecord> r = readCompanion(dir.file(name));
        EXPECT_EQ(r ? aspectText(r->aspect) : "none", aspect) << name;
    }
    EXPECT_EQ(companionNameFor("/card/MOV001.moi", "/card/MOV001_Rome.MPG"), "/card/MOV001_Rome.moi");
    EXPECT_EQ(companionNameFor("/card/MOV001.MOI", "/card/a.b.mpg"), "/card/a.b.MOI");
}

}  // namespace
}  // namespace kadrel
