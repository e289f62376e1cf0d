#include "ui/browser/manual_selection.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <tuple>

#include "engine/copy/file_times.h"
#include "engine/copy/moi_companion.h"
#include "engine/notice.h"
#include "engine/scan/wide_screen_flag.h"
#include "ui/browser/thumbnail_browser.h"

namespace kadrel {
namespace {

constexpr size_t kStampLength = 14;

std::string stampOf(const platform::CalendarTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

// The naming time of one file, its caption's time and length, and whether it is recorded 16:9.
FileFacts factsOf(const std::string& path, bool useMoi) {
    FileFacts facts;
    const std::optional<MoiRecord> record = readCompanion(path);
    if (record) {
        facts.aspect = record->aspect;
        facts.lengthMs = record->lengthMs;
    }
    if (useMoi && record) {
        facts.stamp = stampOf(record->time);
        facts.timeText = recordingTimeText(*record).substr(0, 19);  // to the second, as the file time
    } else {
        facts.stamp = getFileTimeStamp(path).value_or("");
        facts.timeText = getFileTimeText(path).value_or("");
    }
    if (facts.stamp.size() != kStampLength)
        facts.stamp.assign(kStampLength, '0');
    return facts;
}

}  // namespace

int32_t searchSelectionFiles(ThumbnailStore& store, SearchState& search, const Settings& settings,
                             const std::atomic<bool>& abortRequested) {
    std::vector<std::string> files;
    if (searchFiles(search, settings.sourceDir, settings.searchExt, files, abortRequested).cancelled())
        files.clear();
    store.fileList = std::move(files);
    store.fileCount = static_cast<int32_t>(store.fileList.size());
    return store.fileCount;
}

std::string unreadableFoldersText(const SearchState& search) {
    std::string text = kUnreadableFoldersHeading;
    for (const std::string& folder : search.unreadable)
        text += "\r\n" + displayPath(folder);
    return text;
}

void sortFileList(ThumbnailStore& store, bool useMoi) {
    const auto count = static_cast<size_t>(
        std::clamp<int32_t>(store.fileCount, 0, static_cast<int32_t>(store.fileList.size())));
    std::vector<FileFacts> facts;
    for (size_t i = 0; i < count; ++i)
        facts.push_back(factsOf(store.fileList[i], useMoi));
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::tie(facts[a].stamp, store.fileList[a]) < std::tie(facts[b].stamp, store.fileList[b]);
    });
    std::vector<std::string> sorted;
    store.facts.clear();
    for (const size_t i : order) {
        sorted.push_back(store.fileList[i]);
        store.facts.push_back(facts[i]);
    }
    store.fileList = std::move(sorted);
    store.fileCount = static_cast<int32_t>(count);
}

void prepareSelection(ThumbnailStore& store, const std::string& searchText, bool setWideScreen, bool useMoi) {
    sortFileList(store, useMoi);
    store.clips = isStreamExtension(searchText);
    store.wideThumbnails = false;
    if (store.clips) {
        // Per clip: shown 16:9. The companion decides where it tells the shape, the 16:9 box elsewhere.
        std::vector<bool> wide;
        for (const FileFacts& facts : store.facts) {
            const RecordedAspect aspect = facts.aspect;
            wide.push_back(aspect == RecordedAspect::Unknown ? setWideScreen
                                                             : aspect == RecordedAspect::Wide);
        }
        store.wideThumbnails =
            setWideScreen || (useMoi && std::find(wide.begin(), wide.end(), true) != wide.end());
        for (size_t i = 0; i < wide.size(); ++i)
            store.facts[i].boxed = useMoi && store.wideThumbnails && !wide[i];
    } else {
        for (FileFacts& facts : store.facts)
            facts.boxed = false;
    }
    store.resizeAndClearSelection();
}

int32_t showThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow,
                             UiSeam* ui) {
    ThumbnailBrowser browser(store, settings, mainWindow, ui);
    browser.exec();
    return store.selectedCount;
}

int32_t collectSelectedFiles(const ThumbnailStore& store, std::vector<std::string>& selectedFiles) {
    selectedFiles.clear();
    const auto count = std::min(store.fileSelected.size(), store.fileList.size());
    for (size_t i = 0; i < count; ++i) {
        if (store.fileSelected[i] != 0)
            selectedFiles.push_back(store.fileList[i]);
    }
    return static_cast<int32_t>(selectedFiles.size());
}

}  // namespace kadrel
