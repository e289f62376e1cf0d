#include "engine/copy/moi_companion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
    if (!r)
        return "none";
    return recordingTimeText(*r) + " " + lengthText(r->lengthMs) + " " + aspectText(r->aspect);
}

TEST(MoiCompanion, ReadsWhatTheCameraWroteAndNothingElse) {
    using test::Moi;
    using test::moiBytes;
    const struct {
        const char* name;  ///< the companion's name beside MOV001.MOD; "" for none
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"MOV001.MOI", realCompanion(), "17/07/2009 14:18:50.000 0:00:01.44 16:9"},
        {"MOV001.MOI", moiBytes({.msOfMinute = 59999, .lengthMs = 3723450, .format = 0x50}),
         "17/07/2009 14:18:59.999 1:02:03.45 4:3"},
        {"MOV001.MOI", moiBytes({.format = 0x51}), "17/07/2009 14:18:50.000 0:00:01.44 4:3"},
        {"MOV001.MOI", moiBytes({.format = 0x54}), "17/07/2009 14:18:50.000 0:00:01.44 16:9"},
        {"MOV001.MOI", moiBytes({.format = 0x53}), "17/07/2009 14:18:50.000 0:00:01.44 unknown"},
        {"MOV001.moi", moiBytes({.year = 2008, .month = 2, .day = 29, .hour = 23, .minute = 59}),
         "29/02/2008 23:59:50.000 0:00:01.44 16:9"},
        {"MOV001.MOI", moiBytes({.size = 0x81}), "17/07/2009 14:18:50.000 0:00:01.44 16:9"},
        {"MOV001.MOI", moiBytes({.size = 0x80}), "none"},
        {"MOV001.MOI", moiBytes({.version = "V5"}), "none"},
        {"MOV001.MOI", moiBytes({.year = 2009, .month = 2, .day = 29}), "none"},
        {"MOV001.MOI", moiBytes({.month = 13}), "none"},
        {"MOV001.MOI", moiBytes({.hour = 24}), "none"},
        {"MOV001.MOI", moiBytes({.msOfMinute = 60000}), "none"},
        {"MOV001.MOI", moiBytes({.year = 0x3030}), "none"},  // "V6" and then text
        {"MOV002.MOI", moiBytes({}), "none"},                // another clip's
        {"", "", "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.expected);
        test::TempDir dir;
        const std::string clip = dir.write("MOV001.MOD", "clip");
        if (*c.name)
            dir.write(c.name, c.bytes);
        EXPECT_EQ(summary(readCompanion(clip)), c.expected);
    }
}

// A FIFO named like a companion is passed over, never opened in a way that waits for a writer;
// a companion that does not read leaves the choice to another that does.
TEST(MoiCompanion, PassesOverFifosAndUnreadableCompanions) {
    test::TempDir dir;
    const std::string clip = dir.write("MOV001.MOD", "clip");
    ASSERT_EQ(mkfifo(dir.file("MOV001.MOI").c_str(), 0600), 0);
    EXPECT_FALSE(readCompanion(clip));
    dir.write("MOV001.Moi", "V6 too short");
    dir.write("MOV001.mOI", test::moiBytes({.format = 0x50}));
    const std::optional<MoiRecord> r = readCompanion(clip);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->path, dir.file("MOV001.mOI"));
    EXPECT_EQ(r->aspect, RecordedAspect::Standard);
}

}  // namespace
}  // namespace kadrel
