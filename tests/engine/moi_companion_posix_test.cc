// Companions beside a FIFO named like one, and companions whose names differ only in case,
// which only a case-sensitive POSIX file system holds side by side.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "engine/copy/moi_companion.h"
#include "engine/moi_writer.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

// Another clip's companion is no companion; a FIFO named like one is passed over, never opened
// in a way that waits for a writer; one that does not read leaves the choice to another that does.
TEST(MoiCompanion, PassesOverOtherClipsFifosAndUnreadableCompanions) {
    test::TempDir dir;
    const std::string clip = dir.write("MOV001.MOD", "clip");
    dir.write("MOV002.MOI", test::moiBytes({}));
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
