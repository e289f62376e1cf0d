#include "engine/copy/copy_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>
#include <tuple>

#include "engine/change_oracle.h"
#include "engine/moi_writer.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr int64_t kClipTime = 1236262029;  // 2009-03-05 14:07:09 UTC
const std::string kSampleClip = KADREL_TEST_DATA "/../../samples/card/SD_VIDEO/PRG001/MOV001.MOD";
const std::string kName = "09-03-05_14-07-09_Rome";

/// The file-system seam and the run's observer in one; each hook does what a test scripts.
struct Seam : platform::FileFaults, CopyObserver {
    std::function<int(const std::string&)> open = [](const std::string&) { return 0; };
    std::function<int(int64_t)> slice = [](int64_t) { return 0; };
    std::function<void(int64_t)> bytes = [](int64_t) {};
    std::function<void(const std::string&)> committed = [](const std::string&) {};
    std::function<int(int64_t, size_t&)> read = [](int64_t, size_t&) { return 0; };
    std::function<int(int64_t)> write = [](int64_t) { return 0; };
    int32_t current = -1;
    Names order;           ///< the sources in the order the run took them up
    std::mutex orderLock;  ///< the scan may run on a second thread
    /// The index of the file whose copy this thread scans (for the scan's read and write hooks).
    static thread_local int32_t scanning;
    int beforeScan(const std::string& source) override {
        std::lock_guard<std::mutex> hold(orderLock);
        scanning = static_cast<int32_t>(std::find(order.begin(), order.end(), source) - order.begin());
        return 0;
    }
    int beforeOpen(const std::string& s) override { return open(s); }
    int beforeSlice(int64_t offset) override { return slice(offset); }
    void afterCommit(const std::string& target) override { committed(target); }
    int beforeRead(int64_t offset, size_t& size) override { return read(offset, size); }
    int beforeWrite(int64_t offset, size_t) override { return write(offset); }
    void onFile(int32_t i, int32_t, const std::string& source) override {
        std::lock_guard<std::mutex> hold(orderLock);
        current = i;
        order.push_back(source);
    }
    void onBytes(int64_t done, int64_t) override { bytes(done); }
};

thread_local int32_t Seam::scanning = -1;

struct CopyRun : ::testing::Test {
    CopyRun() : ctx{settings, control, ui, log} {
        setenv("TZ", "UTC", 1);
        tzset();
        settings.dateFormat = "yy-mm-dd_Hh-Nn-Ss";
        settings.userText = "_Rome";
        settings.renameExt = "mpg";
        settings.searchExt = "MOD";
        settings.timeSource = TimeSource::LastWrite;
        control.running = true;
        extras.observer = &seam;
        extras.faults = &seam;
        extras.sliceBytes = 4096;
        fs::create_directories(out);
    }
    /// A clip on the card written at the given time (nanoseconds in both times).
    std::string clip(const std::string& name, const std::string& data, int64_t when = kClipTime) {
        const std::string path = dir.write("card/" + name, data);
        EXPECT_TRUE(platform::setFileTimes(path, {{}, {when, 250000000}, {when + 3600, 750000000}}));
        return path;
    }
    RunResult runAll(bool setWideScreen = false) {
        return copyAllFound(ctx, card, target, setWideScreen, true, extras);
    }
    static Names names(const std::string& folder) {
        Names found;
        for (const auto& e : fs::directory_iterator(folder))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    /// Last write and last access, the times a copy or a patch must keep exactly.
    static std::pair<platform::FileTime, platform::FileTime> stamps(const std::string& path) {
        platform::FileTimes t;
        EXPECT_TRUE(platform::getFileTimes(path, t)) << path;
        return {t.lastWrite, t.lastAccess};
    }
    /// The sample (real encoder output, every header 4:3) as the scan alone marks it 16:9: what
    /// every marked copy or original must be. Only aspect ratios may change, and only to 16:9.
    std::string wideSample() {
        const std::string path = dir.write("wide.MOD", sample);
        EXPECT_EQ(setWideScreenFlag(path, ctx).error, 0);
        const std::string marked = test::readAll(path);
        EXPECT_EQ(test::checkScanResult(sample, marked), "");
        EXPECT_FALSE(marked == sample);
        for (size_t at = 0; at < sample.size(); ++at) {
            if (marked[at] != sample[at]) {
                EXPECT_EQ(marked[at] - sample[at], 0x10) << at;
            }
        }
        return marked;
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
    const std::string sample = test::readAll(kSampleClip);
};

// With /W (nothing to mark here) each copy is scanned on a second thread while the next one
// copies; names, bytes and times must still be those of one thing after another.
TEST_F(CopyRun, NamesByTimeWithRunningNumberExactCopiesTimesAndProgress) {
    const std::string a = clip("PRG001/MOV001.MOD", "first clip");
    clip("PRG001/MOV002.MOD", "second clip");
    runAll(true);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    // Times first: reading a file in the test would move its last access time.
    for (const std::string& copy : names(out))
        EXPECT_EQ(stamps(out + "/" + copy), stamps(a)) << copy;
    EXPECT_EQ(stamps(a).second, (platform::FileTime{kClipTime + 3600, 750000000}));  // source untouched
    Names contents{test::readAll(out + "/" + kName + ".mpg"), test::readAll(out + "/" + kName + "_1.mpg")};
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (Names{"first clip", "second clip"}));  // byte-identical without /W
    // The bar follows the bytes of the whole run: 10 of 21 bytes are the first clip's.
    EXPECT_EQ(ui.progress, (std::vector<std::pair<std::string, int>>{{"processing File 1 of 2", 0},
                                                                     {"processing File 1 of 2", 47},
                                                                     {"processing File 2 of 2", 47},
                                                                     {"processing File 2 of 2", 100}}));
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
    const Names firstRun{test::readAll(out + "/" + kName + ".mpg"),
                         test::readAll(out + "/" + kName + "_1.mpg")};
    runAll();  // the same import again gives the same names and adds nothing
    EXPECT_EQ(names(out), (Names{kName + ".mpg", kName + "_1.mpg"}));
    EXPECT_EQ((Names{test::readAll(out + "/" + kName + ".mpg"), test::readAll(out + "/" + kName + "_1.mpg")}),
              firstRun);
}

// Copies made inside the card match the search: a later run must not take them up, and no copy
// may take a source's name, however the target is spelled.
TEST_F(CopyRun, CopiesInsideTheCardAreNeverSearchedNorTakeTheSourcesNames) {
    settings.dateFormat = "";
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
    copyFileList(ctx, 2, {a, b}, dir.file("alias") + "//.", false, false, true, extras);
    EXPECT_EQ(names(card + "/PRG001"), (Names{"MOV001_1.MOD", "MOV002_1.MOD"}));
}

TEST_F(CopyRun, WideScreenCopyAndPatchModeWithUnchangedNameChangeOnlyTheAspectRatio) {
    const std::string wide = wideSample();
    const std::string a = clip("PRG001/MOV001.MOD", sample);
    ASSERT_TRUE(platform::makeReadOnly(a));  // a card's clip, still to be patched in place below
    const auto before = stamps(a);
    settings.searchExt = "mod";  // the stream test ignores case
    runAll(true);
    const std::string copy = out + "/" + kName + ".mpg";
    EXPECT_EQ(stamps(copy), before);
    EXPECT_TRUE(test::readAll(copy) == wide);
    EXPECT_EQ(platform::getAttributes(copy) & platform::kAttrReadOnly, 0);

    settings.userText = "";
    settings.renameExt = "";
    copyAllFound(ctx, card, "", true, false, extras);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(names(card + "/PRG001"), Names{"MOV001.MOD"});  // no rename
    EXPECT_EQ(stamps(a), before);
    EXPECT_NE(platform::getAttributes(a) & platform::kAttrReadOnly, 0);  // read-only again after the patch
    EXPECT_TRUE(test::readAll(a) == wide);

    ASSERT_TRUE(platform::setFileTimes(a, {{}, before.first, before.second}));
    copyFileList(ctx, 1, {a}, "", false, false, true, extras);  // reset
    EXPECT_EQ(stamps(a), before);
    EXPECT_NE(platform::getAttributes(a) & platform::kAttrReadOnly, 0);
    EXPECT_TRUE(test::readAll(a) == sample);

    // A write error in place: reported with the file, and the original keeps its times.
    seam.write = [](int64_t) { return EIO; };
    ASSERT_TRUE(platform::setFileTimes(a, {{}, before.first, before.second}));  // the read above moved one
    EXPECT_EQ(copyFileList(ctx, 1, {a}, "", true, false, true, extras).status, Outcome::Status::Failed);
    EXPECT_EQ(stamps(a), before);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(a), std::string::npos);
}

// A card of 16:9 and 4:3 recordings and a clip without a companion, with /W and use_moi: names
// from the recording times, and only what the camera recorded 16:9 or did not say is marked.
TEST_F(CopyRun, UseMoiNamesByRecordingTimeAndMarksOnlyClipsNotRecorded4to3) {
    const std::string wide = wideSample();
    for (const char* name : {"PRG001/MOV001.MOD", "PRG001/MOV002.MOD", "PRG002/MOV003.MOD"})
        clip(name, sample);
    dir.write("card/PRG001/MOV001.MOI", test::moiBytes({}));
    dir.write("card/PRG001/MOV002.moi", test::moiBytes({.minute = 20, .msOfMinute = 5999, .format = 0x50}));
    settings.useMoi = true;
    EXPECT_TRUE(runAll(true).complete());
    const Names copies{"09-07-17_14-18-50_Rome.mpg", "09-07-17_14-20-05_Rome.mpg", kName + ".mpg"};
    EXPECT_EQ(names(out), (Names{copies[2], copies[0], copies[1]}));
    EXPECT_TRUE(test::readAll(out + "/" + copies[0]) == wide);
    EXPECT_TRUE(test::readAll(out + "/" + copies[1]) == sample);
    EXPECT_TRUE(test::readAll(out + "/" + copies[2]) == wide);

    // Patch mode: the same choice, each clip renamed by the patch-mode rule.
    EXPECT_TRUE(copyAllFound(ctx, card, "", true, false, extras).complete());
    EXPECT_EQ(names(card + "/PRG001"),
              (Names{"MOV001.MOI", "MOV001_Rome.mpg", "MOV002.moi", "MOV002_Rome.mpg"}));
    EXPECT_TRUE(test::readAll(card + "/PRG001/MOV001_Rome.mpg") == wide);
    EXPECT_TRUE(test::readAll(card + "/PRG001/MOV002_Rome.mpg") == sample);
    EXPECT_TRUE(test::readAll(card + "/PRG002/MOV003_Rome.mpg") == wide);
}

TEST_F(CopyRun, PatchModeTakenNameIsReplacedByAllFoundButNumberedByList) {
    settings.userText = "_x";
    settings.renameExt = "MPG";
    settings.overwrite = true;
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

    // Patch mode never renames or edits through a link, which may lead out of the card.
    ui.messages.clear();
    const std::string outside = dir.write("outside/MOV009.MOD", sample);
    fs::create_symlink(outside, card + "/PRG002/MOV009.MOD");
    fs::remove_all(card + "/PRG001");
    EXPECT_FALSE(copyAllFound(ctx, card, "", true, false, extras).complete());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "These files were skipped because patch mode never changes a file through a link:\r\n" + card +
                  "/PRG002/MOV009.MOD");
    EXPECT_TRUE(fs::is_symlink(card + "/PRG002/MOV009.MOD"));
    EXPECT_TRUE(test::readAll(outside) == sample);
}

/// A run over five clips that meets a fault: the messages it shows (a delete offer only after a
/// clean run; "#i" stands for the i-th file the run took up, CARD for the card), the copies it
/// leaves, the sources still on the card (each untouched) and how the run ended.
struct Fault {
    const char* what;
    std::function<void(CopyRun&)> arrange;
    Names messages;
    struct {
        size_t copies, sourcesLeft;
        Outcome::Status status;
        bool complete;  ///< nothing failed, skipped or kept: the command line would exit 0
    } end;
};

void PrintTo(const Fault& fault, std::ostream* os) {
    *os << fault.what;
}

/// Every case runs with /W, once with each scan on a second thread while the next file copies and
/// once in the one-thread order: both must end the same way.
struct CopyRunFault : CopyRun, ::testing::WithParamInterface<std::tuple<Fault, bool>> {
    const Fault& fault() const { return std::get<0>(GetParam()); }
    /// A clip of one byte value with a 4:3 sequence header, so that /W has a byte to write.
    static std::string clipData(char fill) {
        std::string data(16384, fill);
        data.replace(100, 8, std::string("\0\0\1\xB3\x2D\x02\x40\x23", 8));
        return data;
    }
    std::string shown(const test::ShownMessage& m) const {
        std::string text = m.title + ": " + m.text;
        for (size_t i = 0; i < seam.order.size(); ++i)
            replaceAll(text, seam.order[i], "#" + std::to_string(i));
        replaceAll(text, card, "CARD");
        return text;
    }
    static void replaceAll(std::string& text, const std::string& from, const std::string& to) {
        for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
            text.replace(at, from.size(), to);
    }
};

TEST_P(CopyRunFault, EndsWithItsReportAndLosesNothing) {
    extras.overlapScans = std::get<1>(GetParam());
    SCOPED_TRACE(fault().what + std::string(extras.overlapScans ? ", scans beside the copies" : ""));
    settings.deleteFiles = true;
    struct Source {
        std::string path, data, companion;
    };
    std::vector<Source> sources;
    for (char i = 0; i < 5; ++i) {
        const std::string base = "PRG001/MOV00" + std::to_string(i + 1);
        const std::string data = clipData(static_cast<char>('a' + i));
        sources.push_back({clip(base + ".MOD", data, kClipTime + i), data,
                           dir.write("card/" + base + (i % 2 ? ".moi" : ".MOI"), "index")});
    }
    dir.write("card/PRG001/MOV009.MOI", "another clip's index");
    fault().arrange(*this);
    const RunResult result = runAll(true);
    Names messages;
    for (const test::ShownMessage& m : ui.messages)
        messages.push_back(shown(m));
    EXPECT_EQ(messages, fault().messages);
    EXPECT_EQ(names(out).size(), fault().end.copies);  // no half-written or temporary file either
    size_t left = 0;
    for (const Source& source : sources) {
        EXPECT_EQ(fs::exists(source.companion), fs::exists(source.path)) << "deleted only with its clip";
        left += fs::exists(source.path);
        EXPECT_TRUE(!fs::exists(source.path) || test::readAll(source.path) == source.data) << source.path;
    }
    EXPECT_TRUE(fs::exists(card + "/PRG001/MOV009.MOI"));
    EXPECT_EQ(left, fault().end.sourcesLeft);
    EXPECT_EQ(result.status, fault().end.status);
    EXPECT_EQ(result.complete(), fault().end.complete);
}

const std::string kStopped = "Stopped: The run was stopped.\r\n";
std::string offer(int files) {
    return "Delete files?: Delete the " + std::to_string(files) +
           " processed files from source directory?\r\nCARD/PRG001/\r\nTheir .MOI companion files are "
           "deleted with them.";
}
std::string failed(int code, const std::string& text, int file, int done) {
    return "ERROR: Error " + std::to_string(code) + "\r\n" + text + "\r\n#" + std::to_string(file) + "\r\n" +
           std::to_string(done) + " of 5 files were done; " + std::to_string(5 - done) + " were not.";
}

const Fault kFaults[] = {
    Fault{"no space left halfway through the second copy",
          [](CopyRun& t) {
              t.seam.slice = [&t](int64_t at) { return t.seam.current == 1 && at >= 8192 ? ENOSPC : 0; };
          },
          {failed(28, "No space left on device", 1, 1)},
          {1, 5, Outcome::Status::Failed, false}},
    Fault{"cancel during the third of five copies",
          [](CopyRun& t) {
              t.seam.bytes = [&t](int64_t done) {
                  if (t.seam.current != 2 || done != 8192)
                      return;
                  t.control.copyCancel = 1;  // the user's Abort
                  t.control.running = false;
              };
          },
          {kStopped + "2 of 5 files were done; 3 were not."},
          {2, 5, Outcome::Status::Cancelled, false}},
    Fault{"stopped during the fourth copy, which ends: the four done go with their companions",
          [](CopyRun& t) {
              t.ui.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Ok};
              t.seam.bytes = [&t](int64_t) { t.control.running = t.seam.current != 3; };
          },
          {kStopped + "4 of 5 files were done; 1 was not.", offer(4), "Confirm: Are you sure?"},
          {4, 1, Outcome::Status::Cancelled, false}},
    Fault{"a termination signal mid-copy acts as Abort and deletes nothing",
          [](CopyRun& t) {
              t.seam.slice = [&t](int64_t at) {
                  if (t.seam.current == 3 && at == 4096)
                      std::raise(SIGTERM);
                  return 0;
              };
          },
          {kStopped + "3 of 5 files were done; 2 were not."},
          {3, 5, Outcome::Status::Cancelled, false}},
    Fault{"source vanishes with its companion between the search and the copy",
          [](CopyRun& t) {
              t.seam.open = [](const std::string& s) {
                  for (const char* ext : {".MOI", ".moi"})
                      fs::remove(s.substr(0, s.size() - 4) + ext);
                  return fs::remove(s) ? 0 : EIO;
              };
          },
          {failed(2, "No such file or directory", 0, 0)},
          {0, 4, Outcome::Status::Failed, false}},
    Fault{"target is a file, not a folder",
          [](CopyRun& t) { t.target = t.dir.write("notafolder", ""); },
          {failed(20, "Not a directory", 0, 0)},
          {0, 5, Outcome::Status::Failed, false}},
    Fault{"patch rename refused: the original stays where and as it was",
          [](CopyRun& t) {
              t.target = "";
              t.settings.userText = "_x";
              t.seam.open = [](const std::string&) { return EACCES; };
          },
          {failed(13, "Permission denied", 0, 0)},
          {0, 5, Outcome::Status::Failed, false}},
    Fault{"a scan read error discards that copy",
          [](CopyRun& t) { t.seam.read = [](int64_t, size_t&) { return Seam::scanning == 1 ? EIO : 0; }; },
          {failed(5, "Input/output error", 1, 1)},
          {1, 5, Outcome::Status::Failed, false}},
    Fault{"a short scan read is an error, not the end of the file",
          [](CopyRun& t) {
              t.seam.read = [](int64_t, size_t& size) {
                  if (Seam::scanning == 2)
                      size = std::min<size_t>(size, 1000);
                  return 0;
              };
          },
          {failed(5, "Input/output error", 2, 2)},
          {2, 5, Outcome::Status::Failed, false}},
    Fault{"unexpected failure inside the run",
          [](CopyRun& t) {
              t.seam.bytes = [](int64_t) { throw std::system_error(ENOMEM, std::generic_category()); };
          },
          {"ERROR: Error 12\r\nCannot allocate memory"},
          {0, 5, Outcome::Status::Failed, false}},
    Fault{"name taken between the name search and the copy is not replaced",
          [](CopyRun& t) {
              t.seam.open = [&t](const std::string&) {
                  std::ofstream(t.out + "/" + kName + ".mpg", std::ios::app) << "someone else";
                  return 0;
              };
          },
          {offer(5)},
          {6, 5, Outcome::Status::Done, true}},
    Fault{"a copy replaced after its commit keeps its source",
          [](CopyRun& t) {
              t.ui.answers = {MsgResult::Ok, MsgResult::Ok};
              t.seam.committed = [&t](const std::string& copy) {
                  if (Seam::scanning == 0)
                      fs::rename(t.dir.write("other", test::readAll(copy)), copy);
              };
          },
          {offer(5), "Confirm: Are you sure?",
           "ERROR: These files were not deleted because their copies could not be verified:\r\n#0 (the copy "
           "was replaced or changed)"},
          {5, 1, Outcome::Status::Done, false}}};

INSTANTIATE_TEST_SUITE_P(Cases, CopyRunFault,
                         ::testing::Combine(::testing::ValuesIn(kFaults), ::testing::Bool()));

}  // namespace
}  // namespace kadrel
