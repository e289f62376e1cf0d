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
using Names = std::vector<std::string>;

constexpr int64_t kClipTime = 1236262029;  // 2009-03-05 14:07:09 UTC
const std::string kSampleClip = KADREL_TEST_DATA "/../../samples/card/SD_VIDEO/PRG001/MOV001.MOD";
const std::string kName = "09-03-05_14-07-09_Rome";

/// The fault seam and the run's observer in one; each hook does what a test scripts.
struct Seam : platform::CopyFaults, CopyObserver {
    std::function<int(const std::string&)> open;
    std::function<int(int64_t)> slice;
    std::function<void(int64_t)> bytes;
    int32_t current = -1;
    int beforeOpen(const std::string& s) override { return open ? open(s) : 0; }
    int beforeSlice(int64_t offset) override { return slice ? slice(offset) : 0; }
    void onFile(int32_t i, int32_t, const std::string&) override { current = i; }
    void onBytes(int64_t done, int64_t) override {
        if (bytes) bytes(done);
    }
};

struct CopyRun : ::testing::Test {
    CopyRun() : ctx{settings, control, ui, log} {
        setenv("TZ", "UTC", 1);
        tzset();
        settings.dateformat = "yy-mm-dd_Hh-Nn-Ss";
        settings.usertext = "_Rome";
        settings.renameext = "mpg";
        settings.searchext = "MOD";
        settings.use_modificationtime = 1;
        control.running = true;
        extras = {&seam, &seam, 4096};
        fs::create_directories(out);
    }
    /// A clip on the card written at the given time (nanoseconds in both times).
    std::string clip(const std::string& name, const std::string& data, int64_t when = kClipTime) {
        const std::string path = dir.write("card/" + name, data);
        EXPECT_TRUE(platform::setFileTimes(path, {{}, {when, 250000000}, {when + 3600, 750000000}}));
        return path;
    }
    void runAll(bool setws = false) { copyAllFound(ctx, card, target, setws, true, extras); }
    static Names names(const std::string& folder) {
        Names found;
        for (const auto& e : fs::directory_iterator(folder)) found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    /// Last write and last access, the times a copy or a patch must keep exactly.
    static std::pair<platform::FileTime, platform::FileTime> stamps(const std::string& path) {
        platform::FileTimes t;
        EXPECT_TRUE(platform::getFileTimes(path, t)) << path;
        return {t.lastWrite, t.lastAccess};
    }

    test::TempDir dir;
    const std::string card = dir.path() + "card";
    const std::string out = dir.path() + "out";
    std::string target = out;
    Settings settings;
    RunControl control;
    test::FakeUi ui;
    DebugLog log;
    RunContext ctx;
    Seam seam;
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
        EXPECT_EQ(original[i] & 0xF0, 0x20);
        EXPECT_EQ(patched[i], (original[i] & 0x0F) | 0x30);
    }
    EXPECT_GT(changed, 0);
}

TEST_F(CopyRun, NamesByTimeWithRunningNumberExactCopiesTimesProgressAndLog) {
    settings.debugmode = true;
    ASSERT_TRUE(log.openDebugLog(dir.file("kadrel.dbg")));
    const std::string a = clip("PRG001/MOV001.MOD", "first clip");
    clip("PRG001/MOV002.MOD", "second clip");
    runAll();
    log.closeDebugLog();
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    // Times first: reading a file in the test would move its last access time.
    for (const std::string& copy : names(out)) EXPECT_EQ(stamps(out + "/" + copy), stamps(a)) << copy;
    EXPECT_EQ(stamps(a).second, (platform::FileTime{kClipTime + 3600, 750000000}));  // source untouched
    Names contents{test::readAll(out + "/" + kName + ".mpg"), test::readAll(out + "/" + kName + "_1.mpg")};
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (Names{"first clip", "second clip"}));  // byte-identical without /W
    EXPECT_EQ(ui.progress, (std::vector<std::pair<std::string, int>>{{"processing File 1 of 2", 50},
                                                                     {"processing File 2 of 2", 100}}));
    const std::string logText = test::readAll(dir.file("kadrel.dbg"));
    EXPECT_NE(logText.find("source file:" + a + "\r\ntarget file:" + out + "/" + kName), std::string::npos);
    EXPECT_EQ(logText.find("setws="), std::string::npos);  // only list runs log it
}

TEST_F(CopyRun, CommandLineTargetFileWithTextBeforeDateAndListLog) {
    const std::string a = clip("PRG001/MOV001.MOD", "clip");
    settings.dateformat = "";
    settings.TextbeforeDate = true;
    settings.renameext = "m2p";  // the target file's extension
    settings.debugmode = true;
    ASSERT_TRUE(log.openDebugLog(dir.file("kadrel.dbg")));
    copyFileList(ctx, 1, {a}, out + "/holiday", false, false, false, extras);
    log.closeDebugLog();
    EXPECT_EQ(names(out), Names{"_Romeholiday.m2p"});
    EXPECT_TRUE(ui.progress.empty());  // progress display off
    EXPECT_EQ(test::readAll(dir.file("kadrel.dbg")),
              "source file:" + a + "\r\ntarget file:" + out + "/_Romeholiday.m2p\r\nsetws=False\r\n");
}

TEST_F(CopyRun, OverwriteReplacesOlderFilesButNeverOneOfTheSameRun) {
    clip("PRG001/MOV001.MOD", "clip one");
    clip("PRG001/MOV002.MOD", "clip two");
    dir.write("out/" + kName + ".mpg", "older file");
    runAll();
    EXPECT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg", kName + "_2.mpg"}));
    EXPECT_EQ(test::readAll(out + "/" + kName + ".mpg"), "older file");

    fs::remove_all(out);
    dir.write("out/" + kName + ".mpg", "older file");
    settings.overwrite = true;
    runAll();
    // The older file is replaced; the second clip of that second must not replace the first.
    ASSERT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    EXPECT_NE(test::readAll(out + "/" + kName + ".mpg"), "older file");
}

TEST_F(CopyRun, WideScreenCopyAndPatchModeWithUnchangedNameChangeOnlyTheAspectRatio) {
    const std::string original = test::readAll(kSampleClip);
    const std::string a = clip("PRG001/MOV001.MOD", original);
    ASSERT_TRUE(platform::setReadOnly(a));  // a card's clip, still to be patched in place below
    const auto before = stamps(a);
    settings.searchext = "mod";  // the stream test ignores case
    runAll(true);
    const std::string copy = out + "/" + kName + ".mpg";
    EXPECT_EQ(stamps(copy), before);
    expectOnlyAspectRatioSet(original, test::readAll(copy));
    EXPECT_EQ(platform::getAttributes(copy) & platform::kAttrReadOnly, 0);

    settings.usertext = "";
    settings.renameext = "";
    copyAllFound(ctx, card, "", true, false, extras);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card + "/PRG001"), Names{"MOV001.MOD"});  // no rename
    EXPECT_EQ(stamps(a), before);
    EXPECT_EQ(platform::getAttributes(a) & platform::kAttrReadOnly, 0);  // made writable to be patched
    expectOnlyAspectRatioSet(original, test::readAll(a));

    ASSERT_TRUE(platform::setReadOnly(a) && platform::setFileTimes(a, {{}, before.first, before.second}));
    copyFileList(ctx, 1, {a}, "", false, false, true, extras);  // reset
    EXPECT_EQ(stamps(a), before);
    EXPECT_EQ(platform::getAttributes(a) & platform::kAttrReadOnly, 0);
    EXPECT_TRUE(test::readAll(a) == original);
}

TEST_F(CopyRun, PatchModeTakenNameIsReplacedByAllFoundButNumberedByList) {
    settings.usertext = "_x";
    settings.renameext = "MPG";
    settings.overwrite = true;
    const std::string sample = test::readAll(kSampleClip);
    clip("PRG001/MOV001.MOD", sample);
    dir.write("card/PRG001/MOV001_x.MPG", "another file");
    copyAllFound(ctx, card, "", false, false, extras);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card + "/PRG001"), Names{"MOV001_x.MPG"});
    EXPECT_TRUE(test::readAll(dir.file("card/PRG001/MOV001_x.MPG")) == sample);

    const std::string b = clip("PRG002/MOV002.MOD", sample);
    dir.write("card/PRG002/MOV002_x.MPG", "another file");
    copyFileList(ctx, 1, {b}, "", false, false, true, extras);
    EXPECT_EQ(names(card + "/PRG002"), (Names{"MOV002_x.MPG", "MOV002_x_1.MPG"}));
    EXPECT_EQ(test::readAll(dir.file("card/PRG002/MOV002_x.MPG")), "another file");
}

TEST_F(CopyRun, DeleteOfferCoversOnlyFilesDoneWithTheirCompanions) {
    settings.deletefiles = true;
    clip("PRG001/MOV001.MOD", "clip one");
    clip("PRG001/MOV002.MOD", "clip two", kClipTime + 1);
    dir.write("card/PRG001/MOV001.MOI", "index");
    dir.write("card/PRG001/MOV009.MOI", "other index");
    seam.bytes = [&](int64_t) { control.running = seam.current != 0; };  // stopped during the first
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    runAll();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Delete the processed files from source directory?");
    EXPECT_EQ(ui.messages[0].title, "Delete files?");
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(ui.messages[0].defaultButton, MsgResult::Cancel);
    EXPECT_EQ(ui.messages[1].text, "Are you sure?");
    EXPECT_EQ(ui.messages[1].title, "Confirm");
    EXPECT_EQ(names(card + "/PRG001"), (Names{"MOV002.MOD", "MOV009.MOI"}));
    EXPECT_EQ(names(out), Names{kName + ".mpg"});
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
    copyFileList(ctx, 2, {a, b}, card + "/PRG001", false, false, true, extras);
    EXPECT_EQ(names(card + "/PRG001"), (Names{"MOV001_1.MOD", "MOV002_1.MOD"}));

    const std::string c = clip("PRG002/MOV003.MOD", "clip three");
    const std::string d = clip("PRG002/MOV004.MOD", "clip four");
    ui.messages.clear();
    ui.answers = {MsgResult::Ok, MsgResult::Ok};
    ui.onEvents = [&](long) {  // the copy of c is damaged after the run, before the delete
        if (ui.messages.size() == 2) std::ofstream(out + "/MOV003.MOD") << "cut";
    };
    copyFileList(ctx, 2, {c, d}, out, false, false, true, extras);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[2].text,
              "These files were not deleted because their copies could not be verified:\r\n" + c);
    EXPECT_EQ(names(card + "/PRG002"), Names{"MOV003.MOD"});
}

/// A run over five clips that meets a fault: the messages it shows (a delete offer only after a
/// clean run), the copies it leaves and the sources still on the card, each untouched.
struct Fault {
    const char* what;
    std::function<void(CopyRun&)> arrange;
    Names messages;
    size_t copies;
    size_t sourcesLeft;
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.what; }

struct CopyRunFault : CopyRun, ::testing::WithParamInterface<Fault> {};

TEST_P(CopyRunFault, EndsWithItsReportAndLosesNothing) {
    SCOPED_TRACE(GetParam().what);
    settings.deletefiles = true;
    std::vector<std::pair<std::string, std::string>> sources;
    for (char i = 0; i < 5; ++i) {
        const std::string data(16384, 'a' + i);
        sources.emplace_back(clip("PRG001/MOV00" + std::to_string(i + 1) + ".MOD", data, kClipTime + i), data);
    }
    GetParam().arrange(*this);
    runAll();
    Names shown;
    for (const test::ShownMessage& m : ui.messages) {
        shown.push_back(m.title + ": " + m.text);
        EXPECT_EQ(m.icon, MsgIcon::Critical);
    }
    EXPECT_EQ(shown, GetParam().messages);
    EXPECT_EQ(names(out).size(), GetParam().copies);  // no half-written or temporary file either
    size_t left = 0;
    for (const auto& [path, data] : sources) {
        if (!fs::exists(path)) continue;
        ++left;
        EXPECT_TRUE(test::readAll(path) == data) << path;
    }
    EXPECT_EQ(left, GetParam().sourcesLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyRunFault,
    ::testing::Values(
        Fault{"no space left halfway through the second copy",
              [](CopyRun& t) {
                  t.seam.slice = [&t](int64_t at) { return t.seam.current == 1 && at >= 8192 ? ENOSPC : 0; };
              },
              {"ERROR: Error 28\r\nNo space left on device"}, 1, 5},
        Fault{"cancel during the third of five copies is silent",
              [](CopyRun& t) {
                  t.seam.bytes = [&t](int64_t done) {
                      if (t.seam.current != 2 || done != 8192) return;
                      t.control.copycancel = 1;  // the user's Abort
                      t.control.running = false;
                  };
              },
              {}, 2, 5},
        Fault{"source vanishes between the search and the copy",
              [](CopyRun& t) { t.seam.open = [](const std::string& s) { return fs::remove(s) ? 0 : EIO; }; },
              {"ERROR: Error 2\r\nNo such file or directory"}, 0, 4},
        Fault{"read-only target folder",
              [](CopyRun& t) { t.seam.open = [](const std::string&) { return EACCES; }; },
              {"ERROR: Error 13\r\nPermission denied"}, 0, 5},
        Fault{"target is a file, not a folder", [](CopyRun& t) { t.target = t.dir.write("notafolder", ""); },
              {"ERROR: Error 20\r\nNot a directory"}, 0, 5},
        Fault{"patch rename refused: the original stays where and as it was",
              [](CopyRun& t) {
                  t.target = "";
                  t.settings.usertext = "_x";
                  t.seam.open = [](const std::string&) { return EACCES; };
              },
              {"ERROR: Error 13\r\nPermission denied"}, 0, 5},
        Fault{"unexpected failure inside the run",
              [](CopyRun& t) {
                  t.seam.bytes = [](int64_t) { throw std::system_error(ENOMEM, std::generic_category()); };
              },
              {"ERROR: Error 12\r\nCannot allocate memory"}, 0, 5},
        Fault{"name taken between the name search and the copy is not replaced",
              [](CopyRun& t) {
                  t.seam.open = [&t](const std::string&) {
                      std::ofstream(t.out + "/" + kName + ".mpg", std::ios::app) << "someone else";
                      return 0;
                  };
              },
              {"Delete files?: Delete the processed files from source directory?"}, 6, 5},
        Fault{"nothing found", [](CopyRun& t) { fs::remove_all(t.card + "/PRG001"); },
              {"ERROR: No files with extension *.MOD were found in the specified source directory and all "
               "its subfolders!"},
              0, 0}));

}  // namespace
}  // namespace kadrel
