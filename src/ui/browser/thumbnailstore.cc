#include "ui/browser/thumbnailstore.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

// Resources of a static library are registered by hand; the macro must not sit in a namespace.
static void initBrowserResources() {
    Q_INIT_RESOURCE(browser);
}

namespace kadrel {
namespace {

// Thumbnail memory grows with the list (360000 bytes a file); a list too long for the memory
// is told to the user instead of ending the program.
bool allocateSlots(ThumbnailStore& store, UiSeam& ui) {
    try {
        store.thumbnailbits.assign(static_cast<size_t>(store.filecount) * kThumbBytes, 0);
        return true;
    } catch (const std::bad_alloc&) {
        store.thumbnailbits.clear();
        ui.showMessage(
            "Not enough memory for the thumbnails of " + std::to_string(store.filecount) + " files!", "ERROR",
            MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return false;
    }
}

// Copies one finished thumbnail into its slot; a file without a picture gets the placeholder.
void place(ThumbnailStore& store, int32_t index, const ThumbnailResult& result) {
    uint8_t* slot = store.thumbnailbits.data() + static_cast<size_t>(index) * kThumbBytes;
    if (result.bits.size() != static_cast<size_t>(kThumbBytes)) {
        loadPlaceholder(store);
        std::memcpy(slot, store.placeholderbits.data(), kThumbBytes);
        store.picturesize[index] = {0, 0};
        return;
    }
    std::memcpy(slot, result.bits.data(), kThumbBytes);
    store.picturesize[index] = result.size;
}

// The frame shared by both kinds: the workers make the thumbnails, this (the UI) thread shows
// the progress, takes them in file order into the store and lets events run, so that Abort
// and closing the window stop the run before the next file. The count shown rises by one
// each time the thumbnail before it is in the store.
bool runThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, int workers,
                   ThumbnailPool::Task task, bool& libraryFailed) {
    if (store.picturesize.size() != static_cast<size_t>(store.filecount))
        store.resetSelection();
    if (!allocateSlots(store, ui))
        return false;
    ThumbnailPool pool(store.filecount, workers, std::move(task));
    const auto keepWaiting = [&] {
        ui.processEvents();
        return !control.abortrequested;
    };
    for (int32_t i = 1; i <= store.filecount; ++i) {
        if (control.abortrequested)
            break;
        ui.showProgress(thumbnailProgressText(i, store.filecount),
                        static_cast<int>(int64_t{i} * 100 / store.filecount));
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
    const DibFrame frame = grabFirstPicture(*path, 0, height, width, result.decoderFailed, decoder);
    if (frame.isNull())
        return result;
    result.size = {static_cast<int16_t>(std::min(width, 32767)),
                   static_cast<int16_t>(std::min(height, 32767))};
    const QImage image = dibToImage(frame.bits.data(), frame.width, frame.height, frame.rowbytes);
    result.bits = GetPictureBits(CopyBitmap(image, kThumbWidth, kThumbHeight, 24));
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
        ScalePictureToBox(picture, kThumbWidth, kThumbHeight, qRgb(255, 255, 255), 24, size, 1);
    if (fitted.isNull())
        return result;
    result.size = size[0];
    result.bits = GetPictureBits(fitted);
    return result;
}

}  // namespace

void ThumbnailStore::resetSelection() {
    picturesize.assign(static_cast<size_t>(filecount), {0, 0});
    fileselected.assign(static_cast<size_t>(filecount), 0);
    selectedcount = 0;
}

QImage placeholderPicture() {
    initBrowserResources();
    return QImage(QStringLiteral(":/browser/placeholder.png"));
}

void loadPlaceholder(ThumbnailStore& store) {
    if (store.placeholderbits.size() == static_cast<size_t>(kThumbBytes))
        return;
    store.placeholderbits = GetPictureBits(placeholderPicture());
}

bool createmovethumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, bool& libraryFailed,
                          const char* decoderName, int workers) {
    libraryFailed = false;
    return runThumbnails(
        store, control, ui, workers,
        [paths = store.filelist, decoderName](int32_t index) {
            return clipThumbnail(paths, index, decoderName);
        },
        libraryFailed);
}

bool createpicturethumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, int workers) {
    bool libraryFailed = false;  // pictures need no decoder library
    return runThumbnails(
        store, control, ui, workers,
        [paths = store.filelist](int32_t index) { return pictureThumbnail(paths, index); }, libraryFailed);
}

std::string thumbnailProgressText(int32_t i, int32_t count) {
    return "creating Thumbnail " + std::to_string(i) + " of " + std::to_string(count);
}

}  // namespace kadrel
