// The thumbnail store: the files of one manual selection, their 400 x 300 thumbnails, their
// picture sizes and the user's choice, and the two routines that make the thumbnails.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_context.h"
#include "platform/ui_seam.h"
#include "ui/browser/frame_grabber.h"
#include "ui/browser/thumbnail_pixels.h"
#include "ui/browser/thumbnail_pool.h"

namespace kadrel {

/// One per process; valid from one manual selection to the next.
struct ThumbnailStore {
    std::vector<std::string> fileList;  ///< full paths in the order the browser shows them
    int32_t fileCount = 0;
    std::vector<uint8_t> fileSelected;  ///< 1 when the user chose the file
    int32_t selectedCount = 0;
    std::vector<uint8_t> thumbnailBits;    ///< fileCount slots of kThumbBytes
    std::vector<uint8_t> placeholderBits;  ///< kThumbBytes, for files without a picture
    PictureSizes pictureSizes;             ///< unscaled width, height; 0, 0 with the placeholder
    bool wideThumbnails = false;           ///< show clip frames 16:9
    int32_t currentFileIndex = 0;          ///< file last pressed in the browser

    /// The pixels of slot i (kThumbBytes, bottom row first).
    const uint8_t* slot(int32_t i) const {
        return thumbnailBits.data() + static_cast<size_t>(i) * kThumbBytes;
    }
    /// Sizes and selection for fileCount files, nothing selected.
    void resetSelection();
};

/// The picture shown for a file that has none of its own, built into the program.
QImage placeholderPicture();

/// Fills placeholderBits from the built-in picture unless they are there already.
void loadPlaceholder(ThumbnailStore& store);

/// Thumbnails of the clips from their first picture, decoded on `workers` threads; the store
/// ends the same for any number. False when they could not be made: the decoder is unusable
/// (libraryFailed, after one message) or memory ran out (one message).
bool createClipThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui, bool& libraryFailed,
                          const char* decoderName = kMpeg2DecoderName, int workers = thumbnailWorkers());

/// Thumbnails of JPG and BMP pictures fitted onto white, loaded on `workers` threads. False
/// when memory ran out.
bool createPictureThumbnails(ThumbnailStore& store, RunControl& control, UiSeam& ui,
                             int workers = thumbnailWorkers());

/// The progress text shown while slot i (1-based) of count is made.
std::string thumbnailProgressText(int32_t i, int32_t count);

}  // namespace kadrel
