#include "ui/browser/manual_selection.h"

#include <QPainter>
#include <algorithm>

#include "engine/copy/file_times.h"
#include "engine/copy/moi_companion.h"
#include "engine/copy/proven_delete.h"
#include "engine/scan/wide_screen_flag.h"
#include "ui/browser/thumbnail_browser.h"

namespace kadrel {
namespace {

constexpr size_t kStampLength = 14;

// The sort key of file i: its 14-digit time, then i. A missing time counts as all zeros, so the
// position after the first 14 characters is always the old index.
std::string sortKey(const std::string& path, int32_t i) {
    std::string stamp = getFileTimeStamp(path);
    if (stamp.size() != kStampLength)
        stamp.assign(kStampLength, '0');
    return stamp + std::to_string(i);
}

// Per clip: shown 16:9. The companion decides where it tells the shape, the 16:9 box elsewhere.
std::vector<bool> shownWide(const ThumbnailStore& store, bool setWideScreen) {
    std::vector<bool> wide;
    const auto count = std::min(static_cast<size_t>(std::max(store.fileCount, 0)), store.fileList.size());
    for (size_t i = 0; i < count; ++i) {
        const std::optional<MoiRecord> record = readCompanion(store.fileList[i]);
        const RecordedAspect aspect = record ? record->aspect : RecordedAspect::Unknown;
        wide.push_back(aspect == RecordedAspect::Unknown ? setWideScreen : aspect == RecordedAspect::Wide);
    }
    return wide;
}

// The browser stretches every slot of a wide list to 16:9; a 4:3 frame squeezed to three
// quarters of the width between black bars comes out 4:3 again.
void boxNarrowClips(ThumbnailStore& store, const std::vector<bool>& wide) {
    QImage boxed(kThumbWidth, kThumbHeight, QImage::Format_RGB888);
    for (size_t i = 0; i < wide.size() && store.wideThumbnails; ++i) {
        if (wide[i] || store.pictureSizes[i] == std::array<int16_t, 2>{0, 0})
            continue;
        uint8_t* slot = store.thumbnailBits.data() + i * kThumbBytes;
        boxed.fill(Qt::black);
        QPainter painter(&boxed);
        painter.drawImage(kThumbWidth / 8, 0,
                          copyBitmap(slotToImage(slot), kThumbWidth * 3 / 4, kThumbHeight, 24));
        painter.end();
        getPictureBits(boxed, slot);
    }
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

void sortFileList(ThumbnailStore& store) {
    const auto count = static_cast<size_t>(
        std::clamp<int32_t>(store.fileCount, 0, static_cast<int32_t>(store.fileList.size())));
    std::vector<std::string> keys;
    keys.reserve(count);
    for (size_t i = 0; i < count; ++i)
        keys.push_back(sortKey(store.fileList[i], static_cast<int32_t>(i)));
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> sorted;
    sorted.reserve(store.fileList.size());
    for (const std::string& key : keys)
        sorted.push_back(store.fileList[std::stoul(key.substr(kStampLength))]);
    for (size_t i = count; i < store.fileList.size(); ++i)
        sorted.push_back(store.fileList[i]);
    store.fileList = std::move(sorted);
}

bool makeSelectionThumbnails(ThumbnailStore& store, const std::string& searchText, bool setWideScreen,
                             RunControl& control, UiSeam& ui, bool useMoi) {
    store.resetSelection();
    bool ran = false;
    bool libraryFailed = false;
    if (isStreamExtension(searchText)) {
        const std::vector<bool> wide = useMoi ? shownWide(store, setWideScreen) : std::vector<bool>{};
        store.wideThumbnails = setWideScreen || std::find(wide.begin(), wide.end(), true) != wide.end();
        ran = createClipThumbnails(store, control, ui, libraryFailed);
        if (ran)
            boxNarrowClips(store, wide);
    } else {
        store.wideThumbnails = false;
        ran = createPictureThumbnails(store, control, ui);
    }
    return ran && !libraryFailed && !control.abortRequested;
}

int32_t showThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow) {
    ThumbnailBrowser browser(store, settings, mainWindow);
    browser.exec();
    return store.selectedCount;
}

std::string selectedFilesCaption(int32_t selectedCount) {
    return std::to_string(selectedCount) + " Files selected";
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
