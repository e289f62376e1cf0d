#include "ui/browser/thumbnail_store.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <array>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

#include "platform/file_system.h"

// Resources of a static library are registered by hand; the macro must not sit in a namespace.
static void initBrowserResources() {
    Q_INIT_RESOURCE(browser);
}

namespace kadrel {
namespace {

// Thumbnail memory grows with the list (360000 bytes a file); a list too long for the memory
// is told to the user instead of ending the program. Only room is taken here: the slots are
// appended in file order, so each page is written once, by its own thumbnail, and the first
// files need not wait for hundreds of megabytes to be cleared.
bool reserveSlots(ThumbnailStore& store, UiSeam& ui) {
    std::vector<uint8_t>().swap(store.thumbnailBits);  // the old thumbnails make room first
    try {
        store.thumbnailBits.reserve(static_cast<size_t>(store.fileCount) * kThumbBytes);
        return true;
    } catch (const std::bad_alloc&) {
        showError(ui,
                  "Not enough memory for the thumbnails of " + std::to_string(store.fileCount) + " files!");
        return false;
    }
}

// Appends one finished thumbnail as slot index; a file without a picture gets the placeholder.
void place(ThumbnailStore& store, int32_t index, const ThumbnailResult& result) {
    const bool picture = result.bits.size() == static_cast<size_t>(kThumbBytes);
    if (!picture)
        loadPlaceholder(store);
    const uint8_t* bits = picture ? result.bits.data() : store.placeholderBits.data();
    store.thumbnailBits.resize(static_cast<size_t>(index) * kThumbBytes);  // already so: files come in order
    store.thumbnailBits.insert(store.thumbnailBits.end(), bits, bits + kThumbBytes);
    store.pictureSizes[index] = picture ? result.size : std::array<int16_t, 2>{0, 0};
}

// Shows the progress and takes the results into the store in file order, letting events run
// while it waits and after each file, so that Abort and closing the window stop the run
// before the next file. The count shown rises by one each time the thumbnail before it is in
// the store. False when the decoder cannot be used.
bool takeResults(ThumbnailStore& store, RunControl& control, UiSeam& ui, ThumbnailPool& pool,
                 bool& libraryFailed) {
    static std::once_flag tuned;
    std::call_once(tuned, platform::keepFreedMemoryForReuse);
    const auto keepWaiting = [&] {
        ui.processEvents();
        return !control.abortRequested;
    };
    for (int32_t i = 1; i <= store.fileCount; ++i) {
        if (control.abortRequested)
            break;
        ui.showProgress(thumbnailProgressText(i, store.fileCount),
                        static_cast<int>(int64_t{i} * 100 / store.fileCount));
        const std::optional<ThumbnailResult> result = pool.take(i - 1, keepWaiting);
        if (!result)
            break;  // aborted while the file was being made
        if (result->decoderFailed) {
            pool.stop();
            showDecoderUnusable(ui);
            libraryFailed = true;
            return false;
        }
        place(store, i - 1, *result);
        ui.processEvents();
    }
    return true;
}

// The frame shared by both kinds: the workers make the thumbnails, this (the UI) thread alone
// touches the store and the UI.
bool runThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, int workers,
                   ThumbnailPool::Task task, bool& libraryFailed) {
    if (store.pictureSizes.size() != static_cast<size_t>(store.fileCount))
        store.resetSelection();
    if (!reserveSlots(store, ui))
        return false;
    ThumbnailPool pool(store.fileCount, workers, std::move(task));
    const bool made = takeResults(store, control, ui, pool, libraryFailed);
    // The files an abort or an unusable decoder kept from being made stay zero.
    store.thumbnailBits.resize(static_cast<size_t>(store.fileCount) * kThumbBytes);
    return made;
}

// The paths the workers read: their own copy, as events during the run may change the store.
using Paths = std::vector<std::string>;

const std::string* pathOf(const Paths& paths, int32_t index) {
    return static_cast<size_t>(index) < paths.size() ? &paths[static_cast<size_t>(index)] : nullptr;
}

// A worker's task for a clip: the first picture, stretched to fill the slot whatever its
// proportions (the browser makes the 16:9 look).
ThumbnailResult clipThumbnail(const Paths& paths, int32_t index, const char* decoder) {
    ThumbnailResult result;
    const std::string* path = pathOf(paths, index);
    if (path == nullptr)
        return result;
    int32_t height = 0;
    int32_t width = 0;
    // Delivered at the slot's size, rows of 400 blue, green, red, bottom row first: the slot's
    // own layout, so the pixels go in as they are.
    DibFrame frame =
        grabFirstPicture(*path, 0, height, width, result.decoderFailed, decoder, {kThumbWidth, kThumbHeight});
    if (frame.isNull())
        return result;
    result.size = {static_cast<int16_t>(std::min(width, 32767)),
                   static_cast<int16_t>(std::min(height, 32767))};
    result.bits = std::move(frame.bits);
    return result;
}

// A worker's task for a picture: fitted onto white, keeping its proportions.
ThumbnailResult pictureThumbnail(const Paths& paths, int32_t index) {
    ThumbnailResult result;
    const std::string* path = pathOf(paths, index);
    if (path == nullptr)
        return result;
    QImageReader reader(QString::fromStdString(*path));
    const QImage picture = reader.read();
    PictureSizes size(1, {0, 0});
    const QImage fitted =
        scalePictureToBox(picture, kThumbWidth, kThumbHeight, qRgb(255, 255, 255), 24, size, 1);
    if (fitted.isNull())
        return result;
    result.size = size[0];
    result.bits = getPictureBits(fitted);
    return result;
}

}  // namespace

void ThumbnailStore::resetSelection() {
    pictureSizes.assign(static_cast<size_t>(fileCount), {0, 0});
    fileSelected.assign(static_cast<size_t>(fileCount), 0);
    selectedCount = 0;
}

QImage placeholderPicture() {
    initBrowserResources();
    return QImage(QStringLiteral(":/browser/placeholder.png"));
}

void loadPlaceholder(ThumbnailStore& store) {
    if (store.placeholderBits.size() == static_cast<size_t>(kThumbBytes))
        return;
    store.placeholderBits = getPictureBits(placeholderPicture());
}

bool createClipThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, bool& libraryFailed,
                          const char* decoderName, int workers) {
    libraryFailed = false;
    return runThumbnails(
        store, control, ui, workers,
        [paths = store.fileList, decoderName](int32_t index) {
            return clipThumbnail(paths, index, decoderName);
        },
        libraryFailed);
}

bool createPictureThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, int workers) {
    bool libraryFailed = false;  // pictures need no decoder library
    return runThumbnails(
        store, control, ui, workers,
        [paths = store.fileList](int32_t index) { return pictureThumbnail(paths, index); }, libraryFailed);
}

std::string thumbnailProgressText(int32_t i, int32_t count) {
    return "creating Thumbnail " + std::to_string(i) + " of " + std::to_string(count);
}

}  // namespace kadrel
