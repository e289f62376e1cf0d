#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/moi_writer.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/browser_grid.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/manual_selection.h"
#include "ui/browser/thumbnail_pool.h"

namespace kadrel {
namespace {

BrowserGrid gridFor(int size, int width, int height, int32_t files) {
    BrowserGrid grid;
    grid.setDisplaySize(size, false);
    grid.resizeBrowser(width, height, files);
    return grid;
}

// How many frames fit a client area (twips; a column needs the left margin too), which row
// the last page starts on, and how many frames it shows; a window too small for a frame shows
// none. Then the wheel, the keys and where a frame sits.
TEST(BrowserGridTest, RowsColumnsPagesAndScrolling) {
    const struct {
        int size, width, height, files, columns, rows, lastFirstRow, lastPageFrames;
    } cases[] = {
        {1, 7300, 4190, 10, 3, 2, 3, 4}, {1, 7300, 4190, 6, 3, 2, 1, 6},
        {1, 7300, 5690, 10, 3, 3, 2, 7}, {0, 28470, 12100, 201, 20, 10, 2, 181},
        {3, 2100, 4190, 5, 0, 0, 1, 0},  {1, 7220, 4190, 10, 2, 2, 4, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        BrowserGrid grid = gridFor(c.size, c.width, c.height, c.files);
        EXPECT_EQ(std::pair(grid.columns, grid.rows), std::pair(c.columns, c.rows));
        EXPECT_EQ(grid.scrollVisible, c.lastFirstRow > 1);
        grid.scrollTo(c.lastFirstRow + 5);
        EXPECT_EQ(grid.firstRow, c.lastFirstRow);
        EXPECT_EQ(grid.visibleCount, c.lastPageFrames);
        EXPECT_EQ(grid.fileIndex(std::max(c.lastPageFrames - 1, 0)), c.lastPageFrames > 0 ? c.files - 1 : 0);
    }
    BrowserGrid grid = gridFor(1, 7300, 4190, 10);
    grid.scrollTo(3);
    grid.resizeBrowser(7300, 5690, 10);  // a third row: the last page starts a row higher
    EXPECT_EQ(grid.fileIndex(0), 3);
    grid = gridFor(1, 7300, 4190, 10);  // rows 1 to 3
    for (const auto& [angle, notches] : {std::pair{120, 1}, {-120, -1}, {60, 0}, {180, 2}})
        EXPECT_EQ(wheelNotches(angle), notches) << angle;  // half a detent rounds to even
    for (const auto& [notches, row] : {std::pair{1, 1}, {-1, 2}, {-9, 3}})
        EXPECT_EQ(grid.wheelScroll(notches), row) << notches;
    int left = 0, top = 0;
    grid.framePosition(4, left, top);
    EXPECT_EQ(std::pair(left, top), std::pair(100 + 1600, 100 + 1500));
    grid.scrollTo(2);
    for (const auto& [key, row] : {std::pair{ScrollKey::PageDown, 3},
                                   {ScrollKey::PageUp, 1},
                                   {ScrollKey::End, 3},
                                   {ScrollKey::Home, 1}})
        EXPECT_EQ(grid.keyScroll(key), row);
    EXPECT_EQ(gridFor(1, 7300, 4190, 6).keyScroll(ScrollKey::End), 1);  // no scroll bar: no scrolling
}

std::vector<int32_t> selected(const ThumbnailStore& store) {
    std::vector<int32_t> files;
    for (int32_t i = 0; i < store.fileCount; ++i) {
        if (store.fileSelected[i])
            files.push_back(i);
    }
    EXPECT_EQ(static_cast<int32_t>(files.size()), store.selectedCount);
    return files;
}

TEST(BrowserSelectionTest, ClickShiftAndCtrl) {
    ThumbnailStore store;
    store.fileCount = 20;
    store.fileList.resize(20);
    store.resetSelection();
    const struct {
        int f, k;
        bool shift, ctrl;
        std::vector<int32_t> selected;
    } steps[] = {
        {2, 2, false, false, {2}},
        {5, 5, true, false, {2, 3, 4, 5}},
        {3, 3, false, true, {2, 4, 5}},
        {4, 4, false, false, {4}},
        {4, 4, false, false, {}},
        {7, 7, true, false, {7}},  // nothing selected before it: only 7 changes
        {9, 9, true, true, {7}},   // Shift and Ctrl: nothing
        {7, 7, true, false, {}},   // Shift on a selected file clears it
        {1, 1, false, false, {1}},
        {12, 0, true, false, {1, 12}},  // Shift on the first frame of a later page only toggles
    };
    for (const auto& s : steps) {
        leftPress(store, s.f, s.k, s.shift, s.ctrl);
        EXPECT_EQ(selected(store), s.selected) << s.f;
    }
    selectAll(store);
    std::vector<std::string> files;
    EXPECT_EQ(collectSelectedFiles(store, files), 20);
    unselectAll(store);
    EXPECT_EQ(collectSelectedFiles(store, files), 0);
    EXPECT_TRUE(files.empty());  // nothing left over from the earlier choice
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
            ++ran;  // the first files take longest: later ones are made before them
            std::this_thread::sleep_for(std::chrono::milliseconds(index < 5 ? 10 - 2 * index : 0));
            while (index == 5 && !slowFileMay)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return ThumbnailResult{{static_cast<uint8_t>(index)}, {}, false};
        });
        struct Release {
            std::atomic<bool>& flag;
            ~Release() { flag = true; }  // before the pool stops and joins
        } release{slowFileMay};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (int32_t i = 0; i < 5; ++i) {
            const auto result = pool.take(i, [&] { return std::chrono::steady_clock::now() < deadline; });
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

// A source that cannot be listed is named, not taken for a card without clips.
TEST(ManualSelectionTest, ASourceThatCannotBeListedIsNamed) {
    test::TempDir dir;
    dir.write("card/MOV001.MOD", "x");
    for (const std::string& source : {dir.path() + "card", dir.path() + "gone"}) {
        Settings settings;
        settings.sourceDir = source;
        ThumbnailStore store;
        SearchState search;
        const std::atomic<bool> abort{false};
        const int32_t found = searchSelectionFiles(store, search, settings, abort);
        const bool gone = source.ends_with("gone");
        EXPECT_EQ(found, gone ? 0 : 1);
        ASSERT_EQ(search.unreadable.size(), gone ? 1u : 0u);
        if (gone) {
            EXPECT_EQ(unreadableFoldersText(search),
                      "These folders were skipped because they could not be read:\r\n" + source + "/");
        }
    }
}

// With use_moi a clip recorded 16:9 makes the list 16:9 whatever the box says; the others keep the
// shape the camera recorded (or, unknown, the box's) between black bars in their wide frames.
TEST(ManualSelectionTest, ClipsRecordedWideShowWideAndTheOthersKeepTheirShape) {
    test::TempDir dir;
    const std::string sample =
        test::readAll(KADREL_TEST_DATA "/../../samples/card/SD_VIDEO/PRG001/MOV001.MOD");
    ThumbnailStore store;
    for (const char* name : {"MOV001", "MOV002", "MOV003"})
        store.fileList.push_back(dir.write(std::string(name) + ".MOD", sample));
    dir.write("MOV001.MOI", test::moiBytes({}));
    dir.write("MOV002.MOI", test::moiBytes({.format = 0x50}));
    store.fileCount = 3;
    const std::tuple<bool, bool, bool, std::vector<bool>> cases[] = {
        // setWideScreen, useMoi, wide, barred
        {false, false, false, {false, false, false}},
        {false, true, true, {false, true, true}},
        {true, true, true, {false, true, false}}};
    auto hasBars = [](const uint8_t* slot) {  // black all the way down the bars' inner edges
        for (int i = 0; i < 2 * kThumbHeight; ++i) {
            const uint8_t* p =
                slot + i / 2 * kThumbRowBytes + (i % 2 ? kThumbWidth * 7 / 8 : kThumbWidth / 8 - 1) * 3;
            if (std::max({p[0], p[1], p[2]}) > 16)
                return false;
        }
        return true;
    };
    for (const auto& [setWideScreen, useMoi, wide, barred] : cases) {
        SCOPED_TRACE(std::to_string(setWideScreen) + std::to_string(useMoi));
        RunControl control;
        test::FakeUi ui;
        ASSERT_TRUE(makeSelectionThumbnails(store, "MOD", setWideScreen, control, ui, useMoi));
        EXPECT_EQ(store.wideThumbnails, wide);
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(hasBars(store.slot(i)), barred[i]) << i;
    }
}

}  // namespace
}  // namespace kadrel
