#include <gtest/gtest.h>

#include <QImage>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine/moi_writer.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/manual_selection.h"
#include "ui/browser/thumbnail_maker.h"
#include "ui/browser/thumbnail_pool.h"

namespace kadrel {
namespace {

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
    store.resizeAndClearSelection();
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

// The workers take what the window wants most first; a new wish replaces the files not yet
// begun, and a file in progress is not begun twice.
TEST(ThumbnailPoolTest, TheWantedOrderWinsAndChangesAtOnce) {
    std::mutex mutex;
    std::vector<int32_t> begun;
    std::atomic<bool> firstMayEnd{false};
    {
        ThumbnailPool pool(1, [&](int32_t index) {
            {
                std::lock_guard lock(mutex);
                begun.push_back(index);
            }
            while (index == 7 && !firstMayEnd)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        pool.want({7, 8, 9, 0, 1});
        while (true) {
            std::lock_guard lock(mutex);
            if (!begun.empty())
                break;
        }
        pool.want({7, 3, 2, 9});  // the page moved while 7 was being made
        firstMayEnd = true;
        for (bool done = false; !done; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
            std::lock_guard lock(mutex);
            done = begun.size() == 4;
        }
    }
    EXPECT_EQ(begun, (std::vector<int32_t>{7, 3, 2, 9}));
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

// Files are ordered by the time that names them, the same second by path in byte order (a
// camera's hexadecimal numbers stay in order); with use_moi the companion's time names a clip
// and its length goes into the caption.
TEST(ManualSelectionTest, SameSecondFilesFollowTheirPathsInByteOrder) {
    test::TempDir dir;
    const auto second = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    ThumbnailStore store;
    for (const char* name : {"PRG002/MOV001.MOD", "PRG001/MOV010.MOD", "PRG001/MOV00A.MOD",
                             "PRG001/MOV009.MOD", "PRG001/MOV002.MOD", "PRG001/MOV001.MOD"}) {
        store.fileList.push_back(dir.write(name, "clip"));
        std::filesystem::last_write_time(store.fileList.back(), second);
    }
    std::filesystem::last_write_time(store.fileList[0], second - std::chrono::minutes(1));
    dir.write("PRG001/MOV002.MOI", test::moiBytes({.year = 2001, .lengthMs = 61400}));
    store.fileCount = 6;
    const std::vector<std::string> byFileTime = {"PRG002/MOV001", "PRG001/MOV001", "PRG001/MOV002",
                                                 "PRG001/MOV009", "PRG001/MOV00A", "PRG001/MOV010"};
    for (const bool useMoi : {false, true}) {
        SCOPED_TRACE(useMoi);
        sortFileList(store, useMoi);
        std::vector<std::string> expected = byFileTime;
        if (useMoi)
            std::rotate(expected.begin(), expected.begin() + 2, expected.begin() + 3);  // recorded in 2001
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(store.fileList[i], dir.path() + expected[i] + ".MOD") << i;
        const FileFacts& moved = store.facts[useMoi ? 0 : 2];
        EXPECT_EQ(moved.lengthMs, 61400u);
        EXPECT_EQ(moved.timeText.starts_with("17/07/2001 14:18:50"), useMoi) << moved.timeText;
        EXPECT_EQ(store.facts[1].timeText.size(), 19u);
    }
}

// With use_moi a clip recorded 16:9 makes the list 16:9 whatever the box says; the others keep the
// shape the camera recorded (or, unknown, the box's) between black bars in their wide frames.
TEST(ManualSelectionTest, ClipsRecordedWideShowWideAndTheOthersKeepTheirShape) {
    test::TempDir dir;
    ThumbnailStore store;
    for (const char* name : {"MOV001", "MOV002", "MOV003"})
        store.fileList.push_back(dir.write(std::string(name) + ".MOD", name));
    dir.write("MOV001.MOI", test::moiBytes({}));
    dir.write("MOV002.MOI", test::moiBytes({.format = 0x50}));
    store.fileCount = 3;
    const std::tuple<bool, bool, bool, std::vector<bool>> cases[] = {
        // setWideScreen, useMoi, wide, barred
        {false, false, false, {false, false, false}},
        {true, false, true, {false, false, false}},
        {false, true, true, {false, true, true}},
        {true, true, true, {false, true, false}}};
    const ClipGrabber grey = [](const std::string&, QSize stretchTo) {
        QImage picture(stretchTo, QImage::Format_RGB888);
        picture.fill(Qt::gray);
        return MadeThumbnail{picture, {720, 576}, false};
    };
    for (const auto& [setWideScreen, useMoi, wide, barred] : cases) {
        SCOPED_TRACE(std::to_string(setWideScreen) + std::to_string(useMoi));
        prepareSelection(store, "MOD", setWideScreen, useMoi);
        EXPECT_EQ(store.wideThumbnails, wide);
        for (int32_t i = 0; i < 3; ++i) {
            const QImage made = makeThumbnail(grey, {true, QSize(wide ? 534 : 400, 300)}, store.fileList[i],
                                              store.facts[i].boxed)
                                    .picture;
            ASSERT_EQ(made.size(), QSize(wide ? 534 : 400, 300));
            // black all the way down the bars' inner edges, grey just inside them
            for (const int y : {0, 150, 299}) {
                EXPECT_EQ(made.pixelColor(534 / 8 - 1, y) == Qt::black && wide, barred[i]) << i;
                EXPECT_EQ(made.pixelColor(534 / 8 + 1, y) == Qt::gray || !barred[i], true) << i;
            }
        }
    }
    prepareSelection(store, "JPG", true, true);  // pictures are never 16:9
    EXPECT_FALSE(store.wideThumbnails);
}

}  // namespace
}  // namespace kadrel
