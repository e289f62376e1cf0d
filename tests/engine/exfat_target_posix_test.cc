// The copy run into exFAT through FUSE, from an image file: a case-insensitive target whose
// inode numbers follow the spelling of a name, as a card is mounted where the kernel has no
// exFAT of its own. Skipped, saying why, where FUSE or the exFAT tools are missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "engine/copy_run_fixture.h"

namespace kadrel {
namespace {

/// Runs a shell command without its output; true when it exited 0.
bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

/// The first line a command prints, "" when it fails.
std::string firstLine(const std::string& command) {
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return "";
    char line[256] = "";
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    std::string text = pclose(pipe) == 0 && got ? line : "";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

struct ExfatTarget : CopyRun {
    void SetUp() override {
        if (!fs::exists("/dev/fuse"))
            GTEST_SKIP() << "no /dev/fuse: the exFAT target through FUSE is not tried";
        std::ofstream(image).close();
        fs::resize_file(image, 16 << 20);
        fs::create_directory(exfat);
        if (!run("mkfs.exfat " + quoted(image)))
            GTEST_SKIP() << "mkfs.exfat (exfatprogs) is missing or failed";
        if (!mount(image)) {
            // As root the driver wants a block device: lend it a loop device.
            loop = firstLine("losetup -f --show " + quoted(image));
            if (loop.empty() || !mount(loop))
                GTEST_SKIP() << "exFAT through FUSE could not be mounted (exfat-fuse, fuse3)";
        }
        settings.datePattern = "";
        settings.userText = "";
        settings.renameExt = "MOD";
        settings.overwrite = true;
    }
    void TearDown() override {
        const std::string at = quoted(exfat);
        if (mounted && !run("fusermount3 -u " + at) && !run("fusermount -u " + at) && !run("umount " + at))
            run("umount -l " + at);
        if (!loop.empty())
            run("losetup -d " + loop);
    }
    /// Mounts device on the exfat folder; true when it is then another file system.
    bool mount(const std::string& device) {
        mounted = run("mount.exfat-fuse " + quoted(device) + " " + quoted(exfat));
        return mounted && platform::fileId(exfat).device != platform::fileId(dir.path()).device;
    }

    const std::string image = dir.file("exfat.img");
    const std::string exfat = dir.file("exfat");  ///< where the image is mounted
    std::string loop;
    bool mounted = false;
};

// Two clips whose names differ only in case, from an ext4 card into one exFAT folder with /O:
// the second must not replace the first, whatever inode numbers the target reports.
TEST_F(ExfatTarget, SourcesDifferingOnlyInCaseGiveTwoCopies) {
    const Names sources{clip("PRG001/A.MOD", "upper"), clip("PRG001/a.MOD", "lower")};
    EXPECT_TRUE(runList(sources, exfat, false, false, true, extras).complete());
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(names(exfat), (Names{"A.MOD", "a_1.MOD"}));
    EXPECT_EQ(test::readAll(exfat + "/A.MOD"), "upper");
    EXPECT_EQ(test::readAll(exfat + "/a_1.MOD"), "lower");
}

// The target is the exFAT card's own folder and the new extension differs only in case: the
// copy must not take the original's place.
TEST_F(ExfatTarget, CopyIntoTheSourceFolderKeepsTheOriginal) {
    const std::string original = exfat + "/A.MOD";
    std::ofstream(original) << "original";
    settings.renameExt = "mod";
    EXPECT_TRUE(runList({original}, exfat, false, false, true, extras).complete());
    EXPECT_EQ(names(exfat), (Names{"A.MOD", "A_1.mod"}));
    EXPECT_EQ(test::readAll(original), "original");
    EXPECT_EQ(test::readAll(exfat + "/A_1.mod"), "original");
}

// Patch mode on the exFAT card itself, which has no hard links and no no-replace rename: the
// journal still takes its name before the original changes, and the clip ends renamed and
// marked with no journal left behind.
TEST_F(ExfatTarget, PatchModeOnTheCardJournalsAndFinishes) {
    const std::string marked = wideSample();
    fs::create_directory(exfat + "/PRG001");
    std::ofstream(exfat + "/PRG001/MOV001.MOD", std::ios::binary) << sample;
    settings.userText = "_x";
    settings.renameExt = "MPG";
    settings.overwrite = false;
    EXPECT_TRUE(runFound(exfat, "", true, false, extras).complete());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(exfat + "/PRG001"), (Names{"MOV001_x.MPG"}));
    EXPECT_TRUE(test::readAll(exfat + "/PRG001/MOV001_x.MPG") == marked);
}

}  // namespace
}  // namespace kadrel
