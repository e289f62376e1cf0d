#include "ui/browser/manual_selection.h"

#include <QPainter>
#include <algorithm>

#include "engine/copy/file_times.h"
#include "engine/copy/moi_companion.h"
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
    const auto count = std::min(static_cast<size_t>(std::max(store.filecount, 0)), store.filelist.size());
    for (size_t i = 0; i < count; ++i) {
        const std::optional<MoiRecord> record = readCompanion(store.filelist[i]);
        const RecordedAspect aspect = record ? record->aspect : RecordedAspect::Unknown;
        wide.push_back(aspect == RecordedAspect::Unknown ? setWideScreen : aspect == RecordedAspect::Wide);
    }
    return wide;
}

// The browser stretches every slot of a wide list to 16:9; a 4:3 frame squeezed to three
// quarters of the width between black bars comes out 4:3 again.
void boxNarrowClips(ThumbnailStore& store, const std::vector<bool>& wide) {
    QImage boxed(kThumbWidth, kThumbHeight, QImage::Format_RGB888);
    for (size_t i = 0; i < wide.size() && store.widethumbnails; ++i) {
        if (wide[i] || store.picturesize[i] == std::array<int16_t, 2>{0, 0})
            continue;
        uint8_t* slot = store.thumbnailbits.data() + i * kThumbBytes;
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
                             RunControl& control, UiSeam& ui) {
    std::vector<std::string> files;
    if (searchFiles(search, settings.sourceDir, settings.searchExt, files, control.abortrequested, ui)
            .cancelled())
        files.clear();
    store.filelist = std::move(files);
    store.filecount = static_cast<int32_t>(store.filelist.size());
    return store.filecount;
}

std::string noFilesText(const std::string& searchExt) {
    return "No files with extension *." + searchExt +
           " were found in the specified source directory and all its subfolders!";
}

void showNoFilesMessage(const std::string& searchExt, UiSeam& ui) {
    showError(ui, noFilesText(searchExt));
}

void sortfilelist(ThumbnailStore& store) {
    const auto count = static_cast<size_t>(
        std::clamp<int32_t>(store.filecount, 0, static_cast<int32_t>(store.filelist.size())));
    std::vector<std::string> keys;
    keys.reserve(count);
    for (size_t i = 0; i < count; ++i)
        keys.push_back(sortKey(store.filelist[i], static_cast<int32_t>(i)));
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> sorted;
    sorted.reserve(store.filelist.size());
    for (const std::string& key : keys)
        sorted.push_back(store.filelist[std::stoul(key.substr(kStampLength))]);
    for (size_t i = count; i < store.filelist.size(); ++i)
        sorted.push_back(store.filelist[i]);
    store.filelist = std::move(sorted);
}

bool makeSelectionThumbnails(ThumbnailStore& store, const std::string& searchtext, bool setWideScreen,
                             RunControl& control, UiSeam& ui, bool useMoi) {
    store.resetSelection();
    bool ran = false;
    bool libraryFailed = false;
    if (isStreamExtension(searchtext)) {
        const std::vector<bool> wide = useMoi ? shownWide(store, setWideScreen) : std::vector<bool>{};
        store.widethumbnails = setWideScreen || std::find(wide.begin(), wide.end(), true) != wide.end();
        ran = createmovethumbnails(store, control, ui, libraryFailed);
        if (ran)
            boxNarrowClips(store, wide);
    } else {
        store.widethumbnails = false;
        ran = createpicturethumbnails(store, control, ui);
    }
    return ran && !libraryFailed && !control.abortrequested;
}

int32_t showThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow) {
    ThumbnailBrowser browser(store, settings, mainWindow);
    browser.exec();
    return store.selectedcount;
}

std::string selectedFilesCaption(int32_t selectedcount) {
    return std::to_string(selectedcount) + " Files selected";
}

int32_t collectSelectedFiles(const ThumbnailStore& store, std::vector<std::string>& selectedfiles) {
    selectedfiles.clear();
    const auto count = std::min(store.fileselected.size(), store.filelist.size());
    for (size_t i = 0; i < count; ++i) {
        if (store.fileselected[i] != 0)
            selectedfiles.push_back(store.filelist[i]);
    }
    return static_cast<int32_t>(selectedfiles.size());
}

}  // namespace kadrel
