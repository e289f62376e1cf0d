// The search where POSIX kernel features meet it: links, a FIFO, names no other system allows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <tuple>

#include "engine/copy/file_search.h"
#include "engine/search_tree.h"
#include "platform/file_faults.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

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
    Names files = search(dir.path() + "card");  // without the separator
    EXPECT_EQ(state.searchRoot, card);
    std::sort(files.begin(), files.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
    std::sort(state.skipped.begin(), state.skipped.end());
    EXPECT_EQ(state.skipped, (Names{card + "dangling.MOD", card + "fifo.MOD"}));
    EXPECT_TRUE(state.excluded.exists()) << "the exclusion survives the search's reset";
}

/// Fails the listing of one folder once a number of its entries were read, as a failing card
/// reader does (EIO from getdents); 0 entries fails it at the start.
struct ListingFailsAt : platform::FileFaults {
    std::string folder;
    size_t afterEntries = 0;
    int beforeListing(const std::string& listed, size_t entriesSeen) override {
        return listed == folder && entriesSeen == afterEntries ? EIO : 0;
    }
};

// A folder whose listing fails may hide clips: it is named, the root too, and the walk goes on.
TEST_F(SearchTree, NamesEveryFolderWhoseListingFails) {
    dir.write("a/clip.MOD", "x");
    fs::create_directory_symlink(dir.file("a"), dir.file("a/loop"));
    fs::create_directory_symlink(dir.path(), dir.file("a/up.MOD"));
    for (const char* name : {"b/1.MOD", "b/2.MOD", "b/3.MOD"})
        dir.write(name, "x");
    const std::string b = dir.path() + "b/";
    ListingFailsAt faults;
    state.faults = &faults;
    // failing folder, entries read before, files found, folders named
    const std::tuple<std::string, size_t, size_t, Names> cases[] = {
        {"", 0, 4, {}},
        {b, 1, 2, {b}},  // part way: the first clip of b is kept, the folder named
        {b, 0, 1, {b}},
        {dir.path(), 0, 0, {dir.path()}},
        {dir.path() + "missing/", 0, 0, {dir.path() + "missing/"}},  // opendir itself fails
    };
    for (const auto& [folder, after, found, named] : cases) {
        SCOPED_TRACE(folder + " after " + std::to_string(after));
        faults.folder = folder;
        faults.afterEntries = after;
        const Names files = search(folder.ends_with("missing/") ? folder : dir.path());
        EXPECT_EQ(files.size(), found);
        EXPECT_EQ(state.unreadable, named);
        EXPECT_EQ(state.faults, &faults) << "the seam survives the search's reset";
    }
}

}  // namespace
}  // namespace kadrel
