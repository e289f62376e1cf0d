// The browser's grid and selection rules without a window, the placement of windows on the
// screen, and the manual-selection steps with the workers that make the thumbnails.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/moi_writer.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/browser_grid.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/manual_selection.h"
#include "ui/browser/thumbnail_pool.h"
#include "ui/help_docking.h"
#include "ui/screen_fit.h"

namespace kadrel {
namespace {

// Client sizes (twips) that hold 3 x 2 frames at "Medium" 4:3 and 20 x 10 at "Small" 4:3.
constexpr int kWidth3 = 7300, kHeight2 = 4190, kWidth20 = 28470, kHeight10 = 12100;

BrowserGrid gridFor(int size, int width, int height, int32_t files) {
    BrowserGrid grid;
    grid.setDisplaySize(size, false);
    grid.resizeBrowser(width, height, files);
    return grid;
}

TEST(BrowserGridTest, PagesAndTheLastPage) {
    BrowserGrid grid = gridFor(1, kWidth3, kHeight2, 10);
    EXPECT_EQ(grid.columns, 3);
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.pages, 2);
    EXPECT_EQ(grid.lastfirstrow, 3);
    EXPECT_EQ(grid.blanksatend, 2);
    EXPECT_TRUE(grid.scrollvisible);
    EXPECT_EQ(grid.visiblecount, 6);
    grid.scrollTo(3);
    EXPECT_EQ(grid.visiblecount, 4);
    EXPECT_EQ(grid.fileIndex(0), 6);
    EXPECT_EQ(grid.fileIndex(3), 9);

    const BrowserGrid six = gridFor(1, kWidth3, kHeight2, 6);
    EXPECT_FALSE(six.scrollvisible);
    EXPECT_EQ(six.visiblecount, 6);

    BrowserGrid many = gridFor(0, kWidth20, kHeight10, 201);
    EXPECT_EQ(many.columns, 20);
    EXPECT_EQ(many.rows, 10);
    EXPECT_TRUE(many.scrollvisible);
    EXPECT_EQ(many.scrollmaximum, 2);
    many.scrollTo(many.keyScroll(ScrollKey::End));
    EXPECT_EQ(many.fileIndex(many.visiblecount - 1), 200);
}

TEST(BrowserGridTest, GrowingTheWindowLowersTheFirstRow) {
    BrowserGrid grid = gridFor(1, kWidth3, kHeight2, 10);
    grid.scrollTo(3);
    grid.resizeBrowser(kWidth3, kHeight2 + 1500, 10);  // three rows now
    EXPECT_EQ(grid.rows, 3);
    EXPECT_EQ(grid.lastfirstrow, 2);
    EXPECT_EQ(grid.firstrow, 2);
    EXPECT_EQ(grid.fileIndex(0), 3);
}

TEST(BrowserGridTest, TooSmallForAFrameAndTheDisplaySizes) {
    const BrowserGrid grid = gridFor(3, 2100, 4190, 5);
    EXPECT_EQ(grid.columns, 0);
    EXPECT_EQ(grid.visiblecount, 0);
    EXPECT_FALSE(grid.scrollvisible);
    EXPECT_EQ(displaySizeIndex(-1), 1);  // a stored size out of range reads as "Medium"
    EXPECT_EQ(displaySizeIndex(4), 1);
    BrowserGrid xLarge;
    xLarge.setDisplaySize(3, true);
    EXPECT_EQ(xLarge.captionwidth, 500);
    EXPECT_EQ(xLarge.picturewidth, 533);
}

TEST(BrowserGridTest, WheelKeysAndPositions) {
    BrowserGrid grid = gridFor(1, kWidth3, kHeight2, 10);
    EXPECT_EQ(wheelNotches(120), 1);
    EXPECT_EQ(wheelNotches(-120), -1);
    EXPECT_EQ(wheelNotches(60), 0);  // half a detent rounds to even
    EXPECT_EQ(wheelNotches(180), 2);
    EXPECT_EQ(grid.wheelscroll(1), 1);  // forward at row 1 stays at row 1
    EXPECT_EQ(grid.wheelscroll(-1), 2);
    EXPECT_EQ(grid.wheelscroll(-9), 3);
    EXPECT_EQ(grid.keyScroll(ScrollKey::PageUp), 1);
    EXPECT_EQ(grid.keyScroll(ScrollKey::PageDown), 2);
    grid.scrollTo(3);
    EXPECT_EQ(grid.keyScroll(ScrollKey::PageDown), 3);
    EXPECT_EQ(grid.keyScroll(ScrollKey::Home), 1);
    int left = 0, top = 0;
    grid.framePosition(4, left, top);
    EXPECT_EQ(left, 100 + 1600);
    EXPECT_EQ(top, 100 + 1500);
    EXPECT_EQ(gridFor(1, kWidth3, kHeight2, 6).keyScroll(ScrollKey::End), 1);
}

// The help docks right of the main window when it fits there, else left, else on the side with
// more room; fitRect then brings any window wholly onto the screen's area.
TEST(WindowPlacementTest, DockingAndFitting) {
    const QRect area(0, 0, 1280, 1000);
    struct Row {
        int mainLeft, helpWidth, left;
    };
    const Row rows[] = {{100, 500, 400},     // right side
                        {900, 500, 400},     // no room right: left side
                        {1000, 300, 700},    // within the margin of the right edge: left side
                        {200, 1000, 500},    // neither side: more room right
                        {700, 1000, -300}};  // neither side: more room left
    for (const Row& r : rows)
        EXPECT_EQ(dockedLeft(QRect(r.mainLeft, 50, 300, 400), r.helpWidth, area, 7), r.left) << r.mainLeft;
    EXPECT_EQ(fitRect(QRect(-300, 50, 1000, 600), area), QRect(0, 50, 1000, 600));
    EXPECT_EQ(fitRect(QRect(900, 900, 600, 300), area), QRect(680, 700, 600, 300));
    EXPECT_EQ(fitRect(QRect(-9000, 9000, 4000, 3000), area), area);  // shrunk to the area
    EXPECT_EQ(fitRect(QRect(10, 20, 30, 40), area), QRect(10, 20, 30, 40));
}

ThumbnailStore storeOf(int32_t count) {
    ThumbnailStore store;
    store.filecount = count;
    store.filelist.resize(count);
    store.resetSelection();
    return store;
}

std::vector<int32_t> selected(const ThumbnailStore& store) {
    std::vector<int32_t> files;
    for (int32_t i = 0; i < store.filecount; ++i) {
        if (store.fileselected[i])
            files.push_back(i);
    }
    EXPECT_EQ(static_cast<int32_t>(files.size()), store.selectedcount);
    return files;
}

TEST(BrowserSelectionTest, ClickShiftCtrl) {
    ThumbnailStore store = storeOf(10);
    leftPress(store, 2, 2, false, false);
    leftPress(store, 5, 5, true, false);
    EXPECT_EQ(selected(store), (std::vector<int32_t>{2, 3, 4, 5}));
    leftPress(store, 3, 3, false, true);
    EXPECT_EQ(selected(store), (std::vector<int32_t>{2, 4, 5}));
    leftPress(store, 4, 4, false, false);
    EXPECT_EQ(selected(store), (std::vector<int32_t>{4}));
    leftPress(store, 4, 4, false, false);
    EXPECT_EQ(selected(store), (std::vector<int32_t>{}));
    leftPress(store, 7, 7, true, false);  // nothing before it: only 7 changes
    EXPECT_EQ(selected(store), (std::vector<int32_t>{7}));
    leftPress(store, 9, 9, true, true);  // Shift and Ctrl: nothing
    EXPECT_EQ(selected(store), (std::vector<int32_t>{7}));
    leftPress(store, 7, 7, true, false);  // Shift on a selected file clears it
    EXPECT_EQ(selected(store), (std::vector<int32_t>{}));
}

TEST(BrowserSelectionTest, SelectAllAndTheListThatStartCopies) {
    ThumbnailStore store = storeOf(500);
    selectAll(store);
    std::vector<std::string> files;
    EXPECT_EQ(collectSelectedFiles(store, files), 500);
    EXPECT_EQ(selected(store).size(), 500u);
    unselectAll(store);
    EXPECT_EQ(collectSelectedFiles(store, files), 0);
    EXPECT_TRUE(files.empty());  // nothing left over from the earlier choice
}

TEST(BrowserSelectionTest, ShiftOnTheFirstFrameOfALaterPageOnlyToggles) {
    ThumbnailStore store = storeOf(20);
    leftPress(store, 1, 1, false, false);
    leftPress(store, 12, 0, true, false);
    EXPECT_EQ(selected(store), (std::vector<int32_t>{1, 12}));
}

// By time, equal times by the old position compared as text; a file without a time first.
TEST(ManualSelectionTest, SortsByTimeAndEqualTimesByOldPositionAsText) {
    test::TempDir dir;
    ThumbnailStore store;
    const auto base = std::filesystem::file_time_type::clock::now();
    for (int i = 0; i < 12; ++i) {
        const std::string path = dir.write("f" + std::to_string(i), "x");
        // File 11 is the newest; all the others share one time.
        std::filesystem::last_write_time(path, i == 11 ? base : base - std::chrono::hours(5));
        store.filelist.push_back(path);
    }
    store.filelist.push_back(dir.file("gone"));
    store.filecount = 13;
    sortfilelist(store);
    std::vector<std::string> names;
    for (const std::string& path : store.filelist)
        names.push_back(path.substr(dir.path().size()));
    EXPECT_EQ(names, (std::vector<std::string>{"gone", "f0", "f1", "f10", "f2", "f3", "f4", "f5", "f6", "f7",
                                               "f8", "f9", "f11"}));
}

// Pictures are never shown 16:9 and start unselected; an abort ends the clip thumbnails.
TEST(ManualSelectionTest, ThumbnailsOfPicturesAndClips) {
    test::TempDir dir;
    ThumbnailStore store;
    store.filelist = {dir.write("x.jpg", "broken")};
    store.filecount = 1;
    RunControl control;
    test::FakeUi ui;
    EXPECT_TRUE(makeSelectionThumbnails(store, "jpg", true, control, ui));
    EXPECT_FALSE(store.widethumbnails);
    EXPECT_EQ(store.selectedcount, 0);
    ASSERT_EQ(store.fileselected.size(), 1u);
    control.abortrequested = true;
    EXPECT_FALSE(makeSelectionThumbnails(store, "mod", true, control, ui));
    EXPECT_TRUE(store.widethumbnails);
}

// Results come back in file order, the workers run at most a few files ahead, and an abort
// while a file is being made waits for no file and starts none.
TEST(ManualSelectionTest, ThumbnailWorkersKeepTheOrderAndStopAtAnAbort) {
    constexpr int kWorkers = 3;
    constexpr int32_t kMayStart = 5 + 2 * kWorkers;  // 5 taken, 2 ahead per worker
    std::atomic<int32_t> ran{0};
    std::atomic<bool> slowFileMay{false};
    {
        ThumbnailPool pool(40, kWorkers, [&](int32_t index) {
            ++ran;
            while (index == 5 && !slowFileMay)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return ThumbnailResult{{static_cast<uint8_t>(index)}, {}, false};
        });
        struct Release {
            std::atomic<bool>& flag;
            ~Release() { flag = true; }  // before the pool stops and joins
        } release{slowFileMay};
        for (int32_t i = 0; i < 5; ++i) {
            const auto result = pool.take(i, [] { return true; });
            EXPECT_EQ(result ? result->bits : std::vector<uint8_t>{},
                      std::vector<uint8_t>{static_cast<uint8_t>(i)});
        }
        int asked = 0;
        EXPECT_FALSE(pool.take(5, [&] { return ++asked < 2; }));  // events ran once, then Abort
        EXPECT_EQ(asked, 2);
        EXPECT_LE(pool.started(), kMayStart);
    }
    EXPECT_LE(ran, kMayStart);
}

// With use_moi a clip recorded 16:9 makes the list 16:9 whatever the box says; the others keep the
// shape the camera recorded (or, unknown, the box's) between black bars in their wide frames.
TEST(ManualSelectionTest, ClipsRecordedWideShowWideAndTheOthersKeepTheirShape) {
    test::TempDir dir;
    const std::string sample =
        test::readAll(KADREL_TEST_DATA "/../../samples/card/SD_VIDEO/PRG001/MOV001.MOD");
    ThumbnailStore store;
    for (const char* name : {"MOV001", "MOV002", "MOV003"})
        store.filelist.push_back(dir.write(std::string(name) + ".MOD", sample));
    dir.write("MOV001.MOI", test::moiBytes({}));
    dir.write("MOV002.MOI", test::moiBytes({.format = 0x50}));
    store.filecount = 3;
    const struct {
        bool setWideScreen, useMoi, wide;
        std::vector<bool> barred;
    } cases[] = {
        {false, false, false, {false, false, false}},
        {false, true, true, {false, true, true}},
        {true, true, true, {false, true, false}},
    };
    auto hasBars = [](const uint8_t* slot) {
        for (int row = 0; row < kThumbHeight; ++row)
            for (int x : {0, kThumbWidth / 8 - 1, kThumbWidth * 7 / 8, kThumbWidth - 1})
                for (int c = 0; c < 3; ++c)
                    if (slot[row * kThumbRowBytes + x * 3 + c] > 16)
                        return false;
        return true;
    };
    std::vector<uint8_t> plain;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.setWideScreen) + std::to_string(c.useMoi));
        RunControl control;
        test::FakeUi ui;
        ASSERT_TRUE(makeSelectionThumbnails(store, "MOD", c.setWideScreen, control, ui, c.useMoi));
        EXPECT_EQ(store.widethumbnails, c.wide);
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(hasBars(store.slot(i)), c.barred[i]) << i;
        if (plain.empty())
            plain.assign(store.slot(0), store.slot(1));
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), store.slot(0)));  // the 16:9 clip's whole frame
    }
}

}  // namespace
}  // namespace kadrel
