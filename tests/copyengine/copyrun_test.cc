#include "copyengine/copyrun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/fileio.h"
#include "platform/filesys.h"
#include "support/fakeui.h"
#include "support/tempdir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kClipTime = 1236262029;  // 2009-03-05 14:07:09 UTC
const std::string kSampleClip = KADREL_TEST_DATA "/../../samples/card/SD_VIDEO/PRG001/MOV001.MOD";

std::vector<std::string> names(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

using Names = std::vector<std::string>;

/// Fails or interferes with a copy where a test says.
struct Faults : platform::CopyFaults {
    std::function<int(const std::string&)> open;
    std::function<int(int64_t)> slice;
    std::function<void(const std::string&)> commit;
    int beforeOpen(const std::string& s) override { return open ? open(s) : 0; }
    int beforeSlice(int64_t offset) override { return slice ? slice(offset) : 0; }
    int beforeCommit(const std::string& t) override {
        if (commit) commit(t);
        return 0;
    }
};

struct Watcher : CopyObserver {
    std::function<void(int32_t)> file;
    std::function<void(int64_t)> bytes;
    void onFile(int32_t i, int32_t, const std::string&) override {
        if (file) file(i);
    }
    void onBytes(int64_t done, int64_t) override {
        if (bytes) bytes(done);
    }
};

class CopyRun : public ::testing::Test {
protected:
    CopyRun() : ctx{settings, control, ui, log} {}
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        settings.dateformat = "yy-mm-dd_Hh-Nn-Ss";
        settings.usertext = "_Rome";
        settings.renameext = "mpg";
        settings.searchext = "MOD";
        settings.use_modificationtime = 1;
        control.running = true;
        extras.faults = &faults;
        extras.observer = &watcher;
        extras.sliceBytes = 4096;
    }
    /// A clip on the card written at the given time (nanoseconds in both times).
    std::string clip(const std::string& name, const std::string& data, int64_t when = kClipTime) {
        const std::string path = dir.write("card/" + name, data);
        platform::FileTimes t;
        t.lastWrite = {when, 250000000};
        t.lastAccess = {when + 3600, 750000000};
        EXPECT_TRUE(platform::setFileTimes(path, t));
        return path;
    }
    std::string sampleClip(const std::string& name) { return clip(name, test::readAll(kSampleClip)); }
    void runAll(bool setws = false) { copyAllFound(ctx, card(), out(), setws, true, extras); }
    std::string card() const { return dir.path() + "card"; }
    std::string out() const { return dir.path() + "out"; }
    std::string outFile(const std::string& name) const { return dir.path() + "out/" + name; }

    test::TempDir dir;
    Settings settings;
    RunControl control;
    test::FakeUi ui;
    DebugLog log;
    RunContext ctx;
    Faults faults;
    Watcher watcher;
    CopyRunExtras extras;
};

/// Every byte that differs is the aspect ratio of a sequence header, 4:3 before, 16:9 after.
void expectOnlyAspectRatioSet(const std::string& original, const std::string& patched) {
    ASSERT_EQ(original.size(), patched.size());
    int changed = 0;
    for (size_t i = 0; i < original.size(); ++i) {
        if (original[i] == patched[i]) continue;
        ++changed;
        ASSERT_GE(i, 7u);
        EXPECT_EQ(original.substr(i - 7, 4), std::string("\0\0\1\xB3", 4)) << "offset " << i;
        EXPECT_EQ((original[i] & 0xF0) >> 4, 2);
        EXPECT_EQ((patched[i] & 0xF0) >> 4, 3);
        EXPECT_EQ(original[i] & 0x0F, patched[i] & 0x0F);
    }
    EXPECT_GT(changed, 0);
}

TEST_F(CopyRun, NamesByTimeWithRunningNumberExactCopiesTimesProgressAndLog) {
    settings.debugmode = true;
    ASSERT_TRUE(log.openDebugLog(dir.file("kadrel.dbg")));
    const std::string a = clip("PRG001/MOV001.MOD", "first clip");
    clip("PRG001/MOV002.MOD", "second clip");
    fs::create_directory(out());
    runAll();
    log.closeDebugLog();
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(names(out()), (Names{"09-03-05_14-07-09_Rome.mpg", "09-03-05_14-07-09_Rome_1.mpg"}));
    // Times first: reading a file in the test would move its last access time.
    platform::FileTimes src, copy1, copy2;
    ASSERT_TRUE(platform::getFileTimes(a, src));
    ASSERT_TRUE(platform::getFileTimes(outFile("09-03-05_14-07-09_Rome.mpg"), copy1));
    ASSERT_TRUE(platform::getFileTimes(outFile("09-03-05_14-07-09_Rome_1.mpg"), copy2));
    EXPECT_EQ(copy1.lastWrite, src.lastWrite);
    EXPECT_EQ(copy2.lastWrite, src.lastWrite);
    EXPECT_EQ(copy1.lastAccess, src.lastAccess);
    EXPECT_EQ(src.lastAccess, (platform::FileTime{kClipTime + 3600, 750000000}));  // source untouched
    const bool aFirst = test::readAll(outFile("09-03-05_14-07-09_Rome.mpg")) == "first clip";
    const std::string aCopy = outFile(aFirst ? "09-03-05_14-07-09_Rome.mpg" : "09-03-05_14-07-09_Rome_1.mpg");
    const std::string bCopy = outFile(aFirst ? "09-03-05_14-07-09_Rome_1.mpg" : "09-03-05_14-07-09_Rome.mpg");
    EXPECT_EQ(test::readAll(aCopy), "first clip");  // byte-identical without /W
    EXPECT_EQ(test::readAll(bCopy), "second clip");
    EXPECT_EQ(ui.progress, (std::vector<std::pair<std::string, int>>{{"processing File 1 of 2", 50},
                                                                     {"processing File 2 of 2", 100}}));
    const std::string logText = test::readAll(dir.file("kadrel.dbg"));
    EXPECT_NE(logText.find("source file:" + a + "\r\ntarget file:" + aCopy + "\r\n"), std::string::npos);
    EXPECT_EQ(logText.find("setws="), std::string::npos);  // only list runs log it
}

TEST_F(CopyRun, UnknownFormatTextBeforeDateAndCommandLineTargetFile) {
    const std::string a = clip("PRG001/MOV001.MOD", "clip");
    fs::create_directory(out());
    settings.dateformat = "";
    settings.TextbeforeDate = true;
    runAll();
    EXPECT_EQ(names(out()), Names{"_RomeMOV001.mpg"});

    settings.debugmode = true;
    ASSERT_TRUE(log.openDebugLog(dir.file("kadrel.dbg")));
    settings.renameext = "m2p";  // the target file's extension
    ui.progress.clear();
    copyFileList(ctx, 1, {a}, out() + "/holiday", false, false, false, extras);
    log.closeDebugLog();
    EXPECT_EQ(names(out()), (Names{"_RomeMOV001.mpg", "_Romeholiday.m2p"}));
    EXPECT_TRUE(ui.progress.empty());  // progress display off
    EXPECT_EQ(test::readAll(dir.file("kadrel.dbg")), "source file:" + a + "\r\ntarget file:" + out() +
                                                         "/_Romeholiday.m2p\r\nsetws=False\r\n");
}

TEST_F(CopyRun, OverwriteReplacesOlderFilesButNeverOneOfTheSameRun) {
    clip("PRG001/MOV001.MOD", "clip one");
    clip("PRG001/MOV002.MOD", "clip two");
    dir.write("out/09-03-05_14-07-09_Rome.mpg", "older file");
    runAll();
    EXPECT_EQ(names(out()), (Names{"09-03-05_14-07-09_Rome.mpg", "09-03-05_14-07-09_Rome_1.mpg",
                                   "09-03-05_14-07-09_Rome_2.mpg"}));
    EXPECT_EQ(test::readAll(outFile("09-03-05_14-07-09_Rome.mpg")), "older file");

    fs::remove_all(out());
    dir.write("out/09-03-05_14-07-09_Rome.mpg", "older file");
    settings.overwrite = true;
    runAll();
    // The older file is replaced; the second clip of that second must not replace the first.
    ASSERT_EQ(names(out()), (Names{"09-03-05_14-07-09_Rome.mpg", "09-03-05_14-07-09_Rome_1.mpg"}));
    EXPECT_NE(test::readAll(outFile("09-03-05_14-07-09_Rome.mpg")), "older file");
}

TEST_F(CopyRun, WideScreenCopyDiffersOnlyInTheAspectRatioAndReadOnlySourceIsPatched) {
    const std::string a = sampleClip("PRG001/MOV001.MOD");
    ASSERT_TRUE(platform::setReadOnly(a));
    settings.searchext = "mod";  // the stream test ignores case
    fs::create_directory(out());
    runAll(true);
    ASSERT_EQ(names(out()), Names{"09-03-05_14-07-09_Rome.mpg"});
    const std::string copy = outFile("09-03-05_14-07-09_Rome.mpg");
    platform::FileTimes src, dst;
    ASSERT_TRUE(platform::getFileTimes(a, src) && platform::getFileTimes(copy, dst));
    EXPECT_EQ(dst.lastWrite, src.lastWrite);
    EXPECT_EQ(dst.lastAccess, src.lastAccess);
    expectOnlyAspectRatioSet(test::readAll(a), test::readAll(copy));
    EXPECT_EQ(platform::getAttributes(copy) & platform::kAttrReadOnly, 0);
}

TEST_F(CopyRun, PatchModeWithUnchangedNameSetsResetsAndRestoresTimes) {
    const std::string original = test::readAll(kSampleClip);
    const std::string a = sampleClip("PRG001/MOV001.MOD");
    ASSERT_TRUE(platform::setReadOnly(a));
    platform::FileTimes before, after;
    ASSERT_TRUE(platform::getFileTimes(a, before));
    settings.usertext = "";
    settings.renameext = "";
    copyAllFound(ctx, card(), "", true, false, extras);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card() + "/PRG001"), Names{"MOV001.MOD"});
    ASSERT_TRUE(platform::getFileTimes(a, after));
    EXPECT_EQ(after.lastWrite, before.lastWrite);
    EXPECT_EQ(after.lastAccess, before.lastAccess);
    expectOnlyAspectRatioSet(original, test::readAll(a));

    ASSERT_TRUE(platform::setFileTimes(a, before));
    copyFileList(ctx, 1, {a}, "", false, false, true, extras);  // reset
    ASSERT_TRUE(platform::getFileTimes(a, after));
    EXPECT_EQ(after.lastWrite, before.lastWrite);
    EXPECT_EQ(after.lastAccess, before.lastAccess);
    EXPECT_TRUE(test::readAll(a) == original);
}

TEST_F(CopyRun, PatchModeTakenNameIsReplacedByAllFoundButNumberedByList) {
    settings.usertext = "_x";
    settings.renameext = "MPG";
    settings.overwrite = true;
    const std::string a = sampleClip("PRG001/MOV001.MOD");
    dir.write("card/PRG001/MOV001_x.MPG", "another file");
    copyAllFound(ctx, card(), "", false, false, extras);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card() + "/PRG001"), Names{"MOV001_x.MPG"});
    EXPECT_TRUE(test::readAll(dir.file("card/PRG001/MOV001_x.MPG")) == test::readAll(kSampleClip));

    const std::string b = sampleClip("PRG002/MOV002.MOD");
    dir.write("card/PRG002/MOV002_x.MPG", "another file");
    copyFileList(ctx, 1, {b}, "", false, false, true, extras);
    EXPECT_EQ(names(card() + "/PRG002"), (Names{"MOV002_x.MPG", "MOV002_x_1.MPG"}));
    EXPECT_EQ(test::readAll(dir.file("card/PRG002/MOV002_x.MPG")), "another file");
}

TEST_F(CopyRun, FailedPatchRenameLeavesTheOriginalAndReports) {
    settings.usertext = "_x";
    const std::string a = clip("PRG001/MOV001.MOD", "clip");
    faults.open = [](const std::string&) { return EACCES; };
    copyAllFound(ctx, card(), "", false, false, extras);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 13\r\nPermission denied");
    EXPECT_EQ(ui.messages[0].title, "ERROR");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(names(card() + "/PRG001"), Names{"MOV001.MOD"});
    EXPECT_EQ(test::readAll(a), "clip");
}

TEST_F(CopyRun, DeleteOfferRemovesVerifiedSourcesWithTheirCompanions) {
    settings.deletefiles = true;
    const std::string a = clip("PRG001/MOV001.MOD", "clip one");
    dir.write("card/PRG001/MOV001.MOI", "index");
    dir.write("card/PRG001/MOV009.MOI", "other index");
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    fs::create_directory(out());
    runAll();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Delete the processed files from source directory?");
    EXPECT_EQ(ui.messages[0].title, "Delete files?");
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(ui.messages[0].defaultButton, MsgResult::Cancel);
    EXPECT_EQ(ui.messages[1].text, "Are you sure?");
    EXPECT_EQ(ui.messages[1].title, "Confirm");
    EXPECT_EQ(names(card() + "/PRG001"), Names{"MOV009.MOI"});
    EXPECT_EQ(names(out()), Names{"09-03-05_14-07-09_Rome.mpg"});

    clip("PRG001/MOV002.MOD", "clip two");
    ui.messages.clear();
    ui.answers = {MsgResult::Ok, MsgResult::Cancel};
    runAll();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(fs::exists(dir.file("card/PRG001/MOV002.MOD")));
}

TEST_F(CopyRun, DeleteKeepsSourcesWhoseCopiesAreNotSafe) {
    settings.deletefiles = true;
    settings.overwrite = true;
    settings.dateformat = "";
    settings.usertext = "";
    settings.renameext = "MOD";
    const std::string a = clip("PRG001/MOV001.MOD", "clip one");
    const std::string b = clip("PRG001/MOV002.MOD", "clip two");
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    // Into the card's own folder with overwrite: the copies must not take the sources' names.
    copyFileList(ctx, 2, {a, b}, card() + "/PRG001", false, false, true, extras);
    EXPECT_EQ(names(card() + "/PRG001"), (Names{"MOV001_1.MOD", "MOV002_1.MOD"}));

    const std::string c = clip("PRG002/MOV003.MOD", "clip three");
    const std::string d = clip("PRG002/MOV004.MOD", "clip four");
    ui.messages.clear();
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    ui.onEvents = [&](long) {  // the copy of c is damaged after the run, before the delete
        if (ui.messages.size() == 2) std::ofstream(dir.file("out/MOV003.MOD")) << "cut";
    };
    fs::create_directory(out());
    copyFileList(ctx, 2, {c, d}, out(), false, false, true, extras);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[2].text,
              "These files were not deleted because their copies could not be verified:\r\n" + c);
    EXPECT_EQ(names(card() + "/PRG002"), Names{"MOV003.MOD"});
}

TEST_F(CopyRun, CopyFailureHalfwayReportsAndOffersNoDelete) {
    settings.deletefiles = true;
    clip("PRG001/MOV001.MOD", std::string(20000, 'a'));
    clip("PRG001/MOV002.MOD", std::string(20000, 'b'), kClipTime + 60);
    clip("PRG001/MOV003.MOD", std::string(20000, 'c'), kClipTime + 120);
    int32_t current = 0;
    watcher.file = [&](int32_t i) { current = i; };
    faults.slice = [&](int64_t offset) { return current == 1 && offset >= 8192 ? ENOSPC : 0; };
    fs::create_directory(out());
    runAll();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 28\r\nNo space left on device");
    EXPECT_EQ(ui.messages[0].title, "ERROR");
    EXPECT_EQ(names(out()).size(), 1u);  // the first copy only; nothing half-written
    EXPECT_EQ(names(card() + "/PRG001").size(), 3u);
}

TEST_F(CopyRun, CancelDuringTheThirdOfFiveCopiesIsSilent) {
    settings.deletefiles = true;
    for (int i = 1; i <= 5; ++i)
        clip("PRG001/MOV00" + std::to_string(i) + ".MOD", std::string(16384, 'x'), kClipTime + i);
    int32_t current = 0;
    watcher.file = [&](int32_t i) { current = i; };
    watcher.bytes = [&](int64_t done) {
        if (current == 2 && done == 8192) {  // the user's Abort
            control.copycancel = 1;
            control.running = false;
        }
    };
    fs::create_directory(out());
    runAll();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(out()).size(), 2u);
}

TEST_F(CopyRun, StopBetweenFilesOffersToDeleteOnlyWhatWasDone) {
    settings.deletefiles = true;
    clip("PRG001/MOV001.MOD", "one");
    clip("PRG001/MOV002.MOD", "two", kClipTime + 1);
    watcher.file = [&](int32_t i) {
        if (i == 0) control.running = false;  // takes effect before the next file
    };
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    fs::create_directory(out());
    runAll();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(names(out()).size(), 1u);
    EXPECT_EQ(names(card() + "/PRG001").size(), 1u);
}

TEST_F(CopyRun, SourceVanishesTargetUnusableOrNameTakenAtTheLastMoment) {
    const std::string a = clip("PRG001/MOV001.MOD", "clip");
    faults.open = [](const std::string& s) {
        fs::remove(s);
        return 0;
    };
    fs::create_directory(out());
    runAll();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 2\r\nNo such file or directory");
    EXPECT_TRUE(names(out()).empty());

    faults.open = nullptr;
    clip("PRG001/MOV001.MOD", "clip");
    dir.write("notafolder", "");
    ui.messages.clear();
    copyAllFound(ctx, card(), dir.file("notafolder"), false, false, extras);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 20\r\nNot a directory");

    faults.commit = [&](const std::string& t) {
        std::ofstream(t) << "someone else";
        faults.commit = nullptr;
    };
    ui.messages.clear();
    runAll();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(test::readAll(outFile("09-03-05_14-07-09_Rome.mpg")), "someone else");
    EXPECT_EQ(test::readAll(outFile("09-03-05_14-07-09_Rome_1.mpg")), "clip");
}

TEST_F(CopyRun, NothingFoundAndUnexpectedFailuresAreReported) {
    fs::create_directories(card());
    runAll();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "No files with extension *.MOD were found in the specified source directory and all its "
              "subfolders!");

    settings.deletefiles = true;
    clip("PRG001/MOV001.MOD", std::string(16384, 'x'));
    watcher.bytes = [](int64_t) { throw std::system_error(ENOMEM, std::generic_category()); };
    ui.messages.clear();
    fs::create_directory(out());
    runAll();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 12\r\nCannot allocate memory");
    EXPECT_TRUE(names(out()).empty());  // no temporary file left behind either
}

}  // namespace
}  // namespace kadrel
