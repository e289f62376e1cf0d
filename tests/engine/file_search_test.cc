#include "engine/copy/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <tuple>

#include "engine/search_tree.h"
#include "platform/file_faults.h"
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

TEST_F(SearchTree, AbortStopsEveryLevel) {
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            dir.write(
                std::string("d").append(std::to_string(i)).append("/e/f").append(std::to_string(j)) + ".MOD",
                "x");
    // Abort comes from another thread while the walk reads its third folder's entries.
    struct AtThirdFolder : platform::FileFaults {
        std::function<void()> act;
        int folders = 0;
        int beforeListing(const std::string&, size_t entriesSeen) override {
            if (entriesSeen == 0 && ++folders == 3)
                act();
            return 0;
        }
    } faults;
    size_t foundAtAbort = 0;
    faults.act = [&] {
        abort = true;
        foundAtAbort = state.found.size();
    };
    state.faults = &faults;
    const auto files = search(dir.path());
    EXPECT_EQ(files.size(), foundAtAbort) << "nothing is added after the abort";
    EXPECT_TRUE(outcome.cancelled());
    EXPECT_EQ(faults.folders, 3) << "no folder is opened after the abort";
}

}  // namespace
}  // namespace kadrel
