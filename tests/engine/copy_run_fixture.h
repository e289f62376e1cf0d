// The copy run's fixture: a card of clips, a target folder and one seam for every fault a test scripts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>

#include "app/run_ending.h"
#include "engine/change_oracle.h"
#include "engine/copy/copy_run.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace kadrel {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

inline constexpr int64_t kClipTime = 1236262029;  // 2009-03-05 14:07:09 UTC
inline const std::string kSampleClip = KADREL_TEST_DATA "/../../samples/card/SD_VIDEO/PRG001/MOV001.MOD";
inline const std::string kName = "09-03-05_14-07-09_Rome";

/// The file-system seam and the run's observer in one; each hook does what a test scripts.
struct Seam : platform::FileFaults, CopyObserver {
    std::function<int(const std::string&)> open = [](const std::string&) { return 0; };
    std::function<int(int64_t)> slice = [](int64_t) { return 0; };
    std::function<void(int64_t)> bytes = [](int64_t) {};
    std::function<void(const std::string&)> committed = [](const std::string&) {};
    std::function<int(int64_t, size_t&)> read = [](int64_t, size_t&) { return 0; };
    std::function<int(int64_t)> write = [](int64_t) { return 0; };
    std::function<int(const std::string&)> rename = [](const std::string&) { return 0; };
    std::function<int(const std::string&)> journal = [](const std::string&) { return 0; };
    std::function<bool(int64_t, bool)> ends = [](int64_t, bool) { return false; };
    std::function<int(const std::string&, bool)> closed = [](const std::string&, bool) { return 0; };
    std::function<int(const std::string&)> flush = [](const std::string&) { return 0; };
    std::function<int(const std::string&)> timesAgain = [](const std::string&) { return 0; };
    std::function<void()> scanStarts = [] {};
    int32_t current = -1;
    Names order;           ///< the sources in the order the run took them up
    std::mutex orderLock;  ///< the scan may run on a second thread
    /// The index of the file whose copy this thread scans (for the scan's read and write hooks).
    static inline thread_local int32_t scanning = -1;
    int beforeScan(const std::string& source) override {
        std::lock_guard<std::mutex> hold(orderLock);
        scanning = static_cast<int32_t>(std::find(order.begin(), order.end(), source) - order.begin());
        scanStarts();
        return 0;
    }
    int beforeOpen(const std::string& s) override { return open(s); }
    int beforeSlice(int64_t offset) override { return slice(offset); }
    void afterCommit(const std::string& target) override { committed(target); }
    int beforeRead(int64_t offset, size_t& size) override { return read(offset, size); }
    int beforeWrite(int64_t offset, size_t) override { return write(offset); }
    int beforeRename(const std::string& source, const std::string&) override { return rename(source); }
    int beforeJournalWrite(const std::string& path) override { return journal(path); }
    bool endsAt(int64_t offset, bool kernel) override { return ends(offset, kernel); }
    int afterClose(const std::string& target, bool named) override { return closed(target, named); }
    int beforeFlush(const std::string& path) override { return flush(path); }
    int beforeTimesAgain(const std::string& copy) override { return timesAgain(copy); }
    void onFile(int32_t i, int32_t, const std::string& source) override {
        std::lock_guard<std::mutex> hold(orderLock);
        current = i;
        order.push_back(source);
    }
    void onBytes(int64_t done, int64_t) override { bytes(done); }
};

struct CopyRun : ::testing::Test {
    CopyRun() : ctx{settings, control, log} {
        settings.datePattern = "yy-mm-dd_Hh-Nn-Ss";
        settings.userText = "_Rome";
        settings.renameExt = "mpg";
        settings.searchExt = "MOD";
        settings.timeSource = TimeSource::LastWrite;
        control.running = true;
        extras.observer = &seam;
        extras.faults = &seam;
        extras.sliceBytes = 4096;
        ctx.progress = [this](const std::string& text, int percent) { ui.showProgress(text, percent); };
        fs::create_directories(out);
    }
    /// A run as a front end makes it: the engine's run, then its notices shown and the delete
    /// questions answered through ui.
    RunResult ended(RunResult result) {
        endRun(ctx, result, ui);
        return result;
    }
    RunResult runFound(const std::string& source, const std::string& to, bool setWideScreen, bool progress,
                       const CopyRunExtras& with = {}) {
        ctx.canAsk = ui.asks;
        return ended(copyAllFound(ctx, source, to, setWideScreen, progress, with));
    }
    RunResult runList(const Names& files, const std::string& to, bool setWideScreen, bool progress,
                      bool targetIsDir, const CopyRunExtras& with = {}) {
        ctx.canAsk = ui.asks;
        return ended(copyFileList(ctx, files, to, setWideScreen, progress, targetIsDir, with));
    }
    /// A clip on the card written at the given time (nanoseconds in both times).
    std::string clip(const std::string& name, const std::string& data, int64_t when = kClipTime) {
        const std::string path = dir.write("card/" + name, data);
        EXPECT_EQ(platform::setFileTimes(path, {{}, {when, 250000000}, {when + 3600, 750000000}}), 0);
        return path;
    }
    /// True when the card's file system takes names that differ only in case as one (Windows):
    /// there two clips of such names cannot both exist.
    bool cardFoldsCase() const {
        const std::string probe = dir.write("card/case.probe", "");
        const bool folds = fs::exists(dir.file("card/CASE.PROBE"));
        fs::remove(probe);
        return folds;
    }
    RunResult runAll(bool setWideScreen = false) {
        return runFound(card, target, setWideScreen, true, extras);
    }
    static Names names(const std::string& folder) {
        Names found;
        for (const auto& e : fs::directory_iterator(folder))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    /// Last write and last access, the times a copy or a patch must keep exactly. The last
    /// access only where a read of the program's can keep it: Wine asks the Linux file system
    /// underneath, which moves it whatever the program asks.
    static std::pair<platform::FileTime, platform::FileTime> stamps(const std::string& path) {
        platform::FileTimes t;
        EXPECT_EQ(platform::getFileTimes(path, t), 0) << path;
        return {t.lastWrite, readsKeepAccessTime() ? t.lastAccess : platform::FileTime{}};
    }
    /// Whether a file the program reads keeps its last access time here.
    static bool readsKeepAccessTime() {
        static const bool keeps = [] {
            test::TempDir folder;
            const std::string probe = folder.write("access-probe", "x");
            const platform::FileTimes old{{}, {kClipTime, 0}, {kClipTime, 0}};
            platform::FileTimes after;
            platform::RandomAccessFile file;
            char byte = 0;
            size_t got = 0;
            const bool kept = platform::setFileTimes(probe, old) == 0 && file.open(probe, false) == 0 &&
                              file.readAt(&byte, 1, 0, got) == 0 && file.close() == 0 &&
                              platform::getFileTimes(probe, after) == 0 && after.lastAccess == old.lastAccess;
            return kept;
        }();
        return keeps;
    }
    /// The sample (real encoder output, every header 4:3) as the scan alone marks it 16:9: what
    /// every marked copy or original must be. Only aspect ratios may change, and only to 16:9.
    std::string wideSample() {
        const std::string path = dir.write("wide.MOD", sample);
        EXPECT_EQ(setWideScreenFlag(path, ctx).outcome.error, 0);
        const std::string marked = test::readAll(path);
        EXPECT_EQ(test::checkScanResult(sample, marked), "");
        EXPECT_FALSE(marked == sample);
        return marked;
    }

    test::ZoneForTest zone{"UTC"};  // names from file times, the same on every machine
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

}  // namespace kadrel
