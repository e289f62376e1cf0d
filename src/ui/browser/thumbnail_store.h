// The thumbnail store: the files of one manual selection in the order the browser shows them,
// what their captions tell, their picture sizes and the user's choice. The thumbnails
// themselves live in the browser's model and in the thumbnail cache on disk.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy/moi_companion.h"
#include "ui/browser/thumbnail_pixels.h"

namespace kadrel {

/// What is known of a file before its thumbnail is made.
struct FileFacts {
    std::string stamp;      ///< the 14-digit time that names the file; zeros when unreadable
    std::string timeText;   ///< the same as day/month/year hour:minute:second; empty if unknown
    uint32_t lengthMs = 0;  ///< the recording's length from its companion; 0 when unknown
    RecordedAspect aspect = RecordedAspect::Unknown;  ///< as the companion tells
    bool boxed = false;                               ///< a 4:3 clip shown between black bars in a 16:9 list
};

/// One per process; valid from one manual selection to the next.
struct ThumbnailStore {
    std::vector<std::string> fileList;  ///< full paths in the order the browser shows them
    int32_t fileCount = 0;
    std::vector<uint8_t> fileSelected;  ///< 1 when the user chose the file
    int32_t selectedCount = 0;
    std::vector<FileFacts> facts;  ///< per file, or empty when nothing is known
    PictureSizes pictureSizes;     ///< unscaled width, height; 0, 0 until made or with the placeholder
    bool wideThumbnails = false;   ///< show clip frames 16:9
    bool clips = true;             ///< thumbnails from clips' first pictures, else from pictures
    int32_t currentFileIndex = 0;  ///< file last pressed or moved to in the browser

    /// Sizes and selection for fileCount files, nothing selected.
    void resizeAndClearSelection();
};

/// The picture shown for a file that has none of its own (yet), built into the program.
QImage placeholderPicture();

}  // namespace kadrel
