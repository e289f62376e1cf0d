#include "engine/copy/file_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(FileSearch, WildcardMatching) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"MOV001.MOD", "*.MOD", true},   {"mov001.mod", "*.MOD", true},
        {"MOV001.MOI", "*.MOD", false},  {"MOV001.MODX", "*.MOD", false},
        {"a.MPG", "*.MOD;*.MPG", true},  {"a.MPG", "*.MOD; *.MPG", true},
        {"a.JPG", "*.MOD;*.MPG", false}, {"a.MOD", "*.M?D", true},
        {"a.MD", "*.M?D", false},        {".MOD", "*.MOD", true},
        {"a.MOD", "*.", false},          {"a.MOD", "*.MOD;", true},
        {"\xff\xfe.MOD", "*.MOD", true}, {"aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
    };
    for (const auto& [name, pattern, match] : cases)
        EXPECT_EQ(matchPattern(name, pattern), match) << name << " ~ " << pattern;
}

TEST(FileSearch, PathHelpers) {
    // path, folder, name, extension
    const std::tuple<const char*, const char*, const char*, const char*> splits[] = {
        {"/a.b/clip.MOD", "/a.b/", "clip", "MOD"},
        {"/a.b/clip", "/a.b/", "clip", ""},
        {"clip.MOD", "", "clip", "MOD"},
        {"/x/a.b.c", "/x/", "a.b", "c"},
        {"/x/dir/", "/x/dir/", "", ""},
    };
    for (const auto& [path, inFolder, named, extension] : splits) {
        std::string name = "junk", folder = "junk", ext = "junk";
        splitPath(path, name, folder, ext);
        EXPECT_EQ(folder + "|" + name + "|" + ext, std::string(inFolder) + "|" + named + "|" + extension);
    }
}

class SearchTree : public ::testing::Test {
  protected:
    Names search(const std::string& root) {
        Names files;
        outcome = searchFiles(state, root, "MOD", files, abort, ui);
        return files;
    }
    test::TempDir dir;
    test::FakeUi ui;
    SearchState state;
    bool abort = false;
    Outcome outcome;
};

// Any byte but "/" and NUL may stand in a name: a folder named "x" CR LF followed by a copy of
// an absolute path must not make the search return a file outside the tree.
TEST_F(SearchTree, TakesVisibleRegularFilesInsideTheTreeWhateverTheirNames) {
    EXPECT_EQ(search(dir.file("card")), Names{});  // no card yet
    const std::string outside = dir.write("outside/victim.MOD", "not on the card");
    const std::string card = dir.path() + "card/";
    Names expected{dir.write("card/x\r\n" + outside, "the clip"), dir.write("card/PRG002/mov002.mod", "a"),
                   dir.write("card/bad\xff\xfename.MOD", "a"), dir.write("card/plain.MOD", "clip"),
                   card + "link.MOD"};
    dir.write("card/PRG001/MOV001.MOI", "a");
    dir.write("card/PRG002/.hidden.MOD", "a");
    dir.write("card/.thumbs/MOV009.MOD", "a");
    fs::create_directory(card + "folder.MOD");
    fs::create_symlink(card + "plain.MOD", card + "link.MOD");
    fs::create_symlink(dir.path() + "gone.MOD", card + "dangling.MOD");
    ASSERT_EQ(::mkfifo((card + "fifo.MOD").c_str(), 0644), 0);
    dir.write("card/imported/copy.MOD", "made by an earlier run");
    state.excluded = platform::fileId(card + "imported");
    ui.eventsPumped = 0;
    Names files = search(dir.path() + "card");  // without the separator
    EXPECT_EQ(state.searchRoot, card);
    std::sort(files.begin(), files.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
    std::sort(state.skipped.begin(), state.skipped.end());
    EXPECT_EQ(state.skipped, (Names{card + "dangling.MOD", card + "fifo.MOD"}));
    EXPECT_TRUE(state.excluded.exists()) << "the exclusion survives the search's reset";
    EXPECT_EQ(ui.eventsPumped, state.scanCount) << "events are pumped once per entry";
}

TEST_F(SearchTree, SurvivesLinkLoopsAndUnreadableFolders) {
    dir.write("a/clip.MOD", "x");
    fs::create_directory_symlink(dir.file("a"), dir.file("a/loop"));
    fs::create_directory_symlink(dir.path(), dir.file("a/up.MOD"));
    dir.write("locked/inner.MOD", "x");
    fs::permissions(dir.file("locked"), fs::perms::none);
    const auto files = search(dir.path());
    fs::permissions(dir.file("locked"), fs::perms::owner_all);
    // Root can still read the locked folder; anyone else cannot. Either way the walk goes on.
    EXPECT_TRUE(files.size() == 1 || files.size() == 2);
    EXPECT_NE(std::find(files.begin(), files.end(), dir.path() + "a/clip.MOD"), files.end());
}

TEST_F(SearchTree, AbortStopsEveryLevel) {
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            dir.write(
                std::string("d").append(std::to_string(i)).append("/e/f").append(std::to_string(j)) + ".MOD",
                "x");
    size_t foundAtAbort = 0;
    ui.onEvents = [&](long n) {
        if (n != 3)
            return;
        abort = true;
        foundAtAbort = state.found.size();
    };
    const auto files = search(dir.path());
    EXPECT_EQ(files.size(), foundAtAbort) << "nothing is added after the abort";
    EXPECT_TRUE(outcome.cancelled());
    // Each level still finishes the entry it was on (its own folder), then stops: three entries
    // deep, at most two more are counted while the walk unwinds.
    EXPECT_LE(state.scanCount, 5);
}

}  // namespace
}  // namespace kadrel
