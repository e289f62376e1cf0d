#include "ui/browser/thumbnailstore.h"

#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

// Resources of a static library are registered by hand; the macro must not sit in a namespace.
static void initBrowserResources() { Q_INIT_RESOURCE(browser); }

namespace kadrel {
namespace {

// Makes one slot; false stops the run.
using SlotMaker = std::function<bool(int32_t index, uint8_t* slot)>;

// Thumbnail memory grows with the list (360000 bytes a file); a list too long for the memory
// is told to the user instead of ending the program.
bool allocateSlots(ThumbnailStore& store, UiSeam& ui) {
    try {
        store.thumbnailbits.assign(static_cast<size_t>(store.filecount) * kThumbBytes, 0);
        return true;
    } catch (const std::bad_alloc&) {
        store.thumbnailbits.clear();
        ui.showMessage("Not enough memory for the thumbnails of " +
                           std::to_string(store.filecount) + " files!",
                       "ERROR", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return false;
    }
}

void usePlaceholder(ThumbnailStore& store, int32_t index, uint8_t* slot) {
    loadPlaceholder(store);
    std::memcpy(slot, store.placeholderbits.data(), kThumbBytes);
    store.picturesize[index] = {0, 0};
}

// The frame shared by both kinds: progress, abort before each file, events after each file.
bool runThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, const SlotMaker& make) {
    if (store.picturesize.size() != static_cast<size_t>(store.filecount)) store.resetSelection();
    if (!allocateSlots(store, ui)) return false;
    for (int32_t i = 1; i <= store.filecount; ++i) {
        if (control.abortrequested) break;
        ui.showProgress(thumbnailProgressText(i, store.filecount),
                        static_cast<int>(int64_t{i} * 100 / store.filecount));
        if (!make(i - 1, store.thumbnailbits.data() + static_cast<size_t>(i - 1) * kThumbBytes)) {
            return false;
        }
        ui.processEvents();
    }
    return true;
}

bool makeClipSlot(ThumbnailStore& store, UiSeam& ui, bool& libraryFailed, const char* decoder,
                  int32_t index, uint8_t* slot) {
    int32_t height = 0;
    int32_t width = 0;
    const DibFrame frame =
        grabmpeg2frame(store.filelist[index], 0, height, width, libraryFailed, ui, decoder);
    if (libraryFailed) return false;
    if (frame.isNull()) {
        usePlaceholder(store, index, slot);
        return true;
    }
    store.picturesize[index] = {static_cast<int16_t>(std::min(width, 32767)),
                                static_cast<int16_t>(std::min(height, 32767))};
    // The whole frame fills the slot whatever its proportions; the browser makes the 16:9 look.
    const QImage image = dibToImage(frame.bits.data(), frame.width, frame.height, frame.rowbytes);
    GetPictureBits(CopyBitmap(image, kThumbWidth, kThumbHeight, 24), slot);
    return true;
}

void makePictureSlot(ThumbnailStore& store, int32_t index, uint8_t* slot) {
    QImageReader reader(QString::fromStdString(store.filelist[index]));
    const QImage picture = reader.read();
    const QImage fitted = ScalePictureToBox(picture, kThumbWidth, kThumbHeight, qRgb(255, 255, 255),
                                            24, store.picturesize, index + 1);
    if (fitted.isNull()) {
        usePlaceholder(store, index, slot);
        return;
    }
    GetPictureBits(fitted, slot);
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
    if (store.placeholderbits.size() == static_cast<size_t>(kThumbBytes)) return;
    store.placeholderbits = GetPictureBits(placeholderPicture());
}

bool createmovethumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui,
                          bool& libraryFailed, const char* decoderName) {
    libraryFailed = false;
    return runThumbnails(store, control, ui, [&](int32_t index, uint8_t* slot) {
        return makeClipSlot(store, ui, libraryFailed, decoderName, index, slot);
    });
}

bool createpicturethumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui) {
    return runThumbnails(store, control, ui, [&](int32_t index, uint8_t* slot) {
        makePictureSlot(store, index, slot);
        return true;
    });
}

std::string thumbnailProgressText(int32_t i, int32_t count) {
    return "creating Thumbnail " + std::to_string(i) + " of " + std::to_string(count);
}

}  // namespace kadrel
