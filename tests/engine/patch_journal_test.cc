#include "engine/copy/patch_journal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

PatchJournal sampleJournal() {
    PatchJournal j;
    j.original = "MOV001.MOD";
    j.renamed = "MOV001_x.MPG";
    j.times = {{1, 2}, {1236262029, 250000000}, {1236265629, 750000000}};
    j.readOnly = true;
    j.size = 64;
    j.companions = {{"MOV001.moi", "MOV001_x.moi"}};
    j.edits = {{7, {0x23}}, {40, {0xB5, 0x14, 0x82}}};
    return j;
}

// A journal torn anywhere (a short write) or with any byte changed is never taken for one.
TEST(PatchJournal, ReadsBackWhatItWroteAndRefusesEveryTornOrChangedJournal) {
    const std::string bytes = encodeJournal(sampleJournal());
    PatchJournal read;
    ASSERT_TRUE(decodeJournal(bytes, read));
    EXPECT_TRUE(read == sampleJournal());
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(decodeJournal(bytes.substr(0, n), read)) << "torn at " << n;
    for (size_t at = 0; at < bytes.size(); ++at) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(changed[at] ^ 0x10);
        EXPECT_FALSE(decodeJournal(changed, read)) << "byte " << at;
    }
    EXPECT_FALSE(decodeJournal(bytes + "x", read));
    PatchJournal outside = sampleJournal();
    outside.renamed = "../MOV001.MPG";  // a journal never names a file outside its folder
    EXPECT_FALSE(decodeJournal(encodeJournal(outside), read));
    outside = sampleJournal();
    outside.edits.push_back({63, {1, 2}});  // past the end of the file
    EXPECT_FALSE(decodeJournal(encodeJournal(outside), read));
}

/// Counts hook calls and fails writes where a test says.
struct Faults : platform::FileFaults {
    std::function<int()> write = [] { return 0; };
    int beforeWrite(int64_t, size_t) override { return write(); }
};

/// A folder with a clip, its companion, and the journal a run killed halfway left beside them.
struct Restore : ::testing::Test {
    const std::string original = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
    test::TempDir dir;
    const std::string clip = dir.file("MOV001.MOD");
    PatchJournal journal = sampleJournal();

    /// The clip as patch mode left it after the rename and one of its writes; the journal of it.
    void killedHalfway(bool renamed) {
        std::string patched = original;
        patched[7] = '#';
        dir.write(renamed ? "MOV001_x.MPG" : "MOV001.MOD", patched);
        dir.write(renamed ? "MOV001_x.moi" : "MOV001.moi", "index");
        journal.edits = {{7, {'7'}}, {40, {'8', '9', 'a'}}};
        JournalKeeper keeper;  // goes without finishing, as with a killed run
        ASSERT_TRUE(keeper.write(clip, journal, nullptr).ok());
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir.path()))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(Restore, PutsBytesNamesTimesAndAttributeBackAndRemovesTheJournal) {
    for (const bool renamed : {true, false}) {
        SCOPED_TRACE(renamed ? "after the rename" : "before the rename");
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        killedHalfway(renamed);
        const RestoredFile r = restoreFromJournal(dir.file(".kadrel-journal-MOV001.MOD"));
        EXPECT_TRUE(r.outcome.ok()) << r.outcome.description();
        EXPECT_EQ(r.original, clip);
        EXPECT_EQ(names(), (std::vector<std::string>{"MOV001.MOD", "MOV001.moi"}));
        platform::FileTimes times;  // before reading the file moves its last access
        ASSERT_EQ(platform::getFileTimes(clip, times), 0);
        EXPECT_EQ(times.lastWrite, journal.times.lastWrite);
        EXPECT_EQ(times.lastAccess, journal.times.lastAccess);
        EXPECT_EQ(test::readAll(clip), original);
        EXPECT_EQ(test::readOnlyAttribute(clip), true);
        platform::makeWritable(clip);
    }
}

// What cannot be put back whole is left as it is, with its journal, for a later run to try.
TEST_F(Restore, KeepsTheJournalOfWhatItCannotPutBack) {
    const std::string path = dir.file(".kadrel-journal-MOV001.MOD");
    const std::string unfinished = dir.file(".kadrel-unfinished-journal-MOV002.MOD");
    killedHalfway(true);
    const std::string patched = test::readAll(dir.file("MOV001_x.MPG"));
    Faults readOnlyCard;
    readOnlyCard.write = [] { return EROFS; };
    RestoredFile r = restoreFromJournal(path, &readOnlyCard);
    EXPECT_EQ(r.outcome.error, EROFS);
    EXPECT_EQ(r.outcome.file, dir.file("MOV001_x.MPG"));

    dir.write("MOV001.MOD", original);  // a new file took the original's name: which one is it?
    r = restoreFromJournal(path);
    EXPECT_EQ(r.outcome.description(), "two files fit its journal; both were left as they are");
    EXPECT_EQ(test::readAll(dir.file("MOV001_x.MPG")), patched);
    fs::remove(dir.file("MOV001.MOD"));

    platform::HeldFile live;  // a run that is still patching holds its journal
    std::string bytes;
    ASSERT_EQ(live.take(path, bytes), 0);
    r = restoreFromJournal(path);
    EXPECT_EQ(r.outcome.description(), "another run is patching this file");
    live.release();

    std::string torn = test::readAll(path);
    dir.write(".kadrel-journal-MOV001.MOD", torn.substr(0, torn.size() - 1));
    r = restoreFromJournal(path);
    EXPECT_EQ(r.outcome.description(), "the journal is damaged; nothing was put back from it");
    EXPECT_EQ(test::readAll(dir.file("MOV001_x.MPG")), patched);
    EXPECT_TRUE(fs::exists(path));

    dir.write(".kadrel-unfinished-journal-MOV002.MOD", torn.substr(0, 9));  // killed while writing it
    r = restoreFromJournal(unfinished);
    EXPECT_TRUE(r.outcome.ok() && r.unfinished);
    EXPECT_FALSE(fs::exists(unfinished));
}

}  // namespace
}  // namespace kadrel
