// Copy and patch-mode runs that meet symbolic links, which only the POSIX build makes.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/copy_run_fixture.h"

namespace kadrel {
namespace {

// Copies made inside the card match the search: a later run must not take them up, and no copy
// may take a source's name, however the target is spelled.
TEST_F(CopyRun, CopiesInsideTheCardAreNeverSearchedNorTakeTheSourcesNames) {
    settings.datePattern = "";
    settings.userText = "";
    settings.renameExt = "MOD";
    const std::string a = clip("PRG001/MOV001.MOD", "clip one");
    target = card + "/imported";
    fs::create_directories(target);
    for (int run = 0; run < 2; ++run)
        EXPECT_TRUE(runAll().complete());
    EXPECT_EQ(names(target), (Names{"MOV001.MOD", "MOV001_1.MOD"}));

    settings.deleteFiles = true;
    settings.overwrite = true;
    const std::string b = clip("PRG001/MOV002.MOD", "clip two");
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    fs::create_directory_symlink(card + "/PRG001", dir.file("alias"));
    runList({a, b}, dir.file("alias") + "//.", false, false, true, extras);
    EXPECT_EQ(names(card + "/PRG001"), (Names{"MOV001_1.MOD", "MOV002_1.MOD"}));
}

// Every other file beside an original is an original too (a camera that reused its clip
// numbers): with /O as without, a taken name gets a running number, in both kinds of run.
TEST_F(CopyRun, PatchModeNeverReplacesAFileEvenWithOverwrite) {
    settings.userText = "_x";
    settings.renameExt = "MPG";
    settings.overwrite = true;
    clip("PRG001/MOV001.MOD", sample);
    dir.write("card/PRG001/MOV001_x.MPG", "another recording");
    EXPECT_TRUE(runFound(card, "", false, false, extras).complete());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card + "/PRG001"), (Names{"MOV001_x.MPG", "MOV001_x_1.MPG"}));
    EXPECT_EQ(test::readAll(dir.file("card/PRG001/MOV001_x.MPG")), "another recording");
    EXPECT_TRUE(test::readAll(dir.file("card/PRG001/MOV001_x_1.MPG")) == sample);

    const std::string b = clip("PRG002/MOV002.MOD", sample);
    dir.write("card/PRG002/MOV002_x.MPG", "another recording");
    runList({b}, "", false, false, true, extras);
    EXPECT_EQ(names(card + "/PRG002"), (Names{"MOV002_x.MPG", "MOV002_x_1.MPG"}));
    EXPECT_EQ(test::readAll(dir.file("card/PRG002/MOV002_x.MPG")), "another recording");

    // Patch mode never renames or edits through a link, which may lead out of the card.
    ui.messages.clear();
    const std::string outside = dir.write("outside/MOV009.MOD", sample);
    fs::create_symlink(outside, card + "/PRG002/MOV009.MOD");
    fs::remove_all(card + "/PRG001");
    EXPECT_FALSE(runFound(card, "", true, false, extras).complete());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "These files were skipped because patch mode never changes a file through a link:\r\n" + card +
                  "/PRG002/MOV009.MOD");
    EXPECT_TRUE(fs::is_symlink(card + "/PRG002/MOV009.MOD"));
    EXPECT_TRUE(test::readAll(outside) == sample);
}

}  // namespace
}  // namespace kadrel
