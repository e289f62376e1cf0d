// Making one thumbnail: the first picture of a clip stretched to the thumbnail's box (the
// 16:9 look comes from the box), a 4:3 clip of a 16:9 list between black bars, or a picture
// fitted onto white keeping its proportions. Runs on the workers; touches no window.
#pragma once

#include <QImage>
#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/browser/frame_grabber.h"

namespace kadrel {

/// What was made of one file: a null picture when the file has none (it keeps the
/// placeholder), and the picture's own size, or the news that the decoder cannot be used.
struct MadeThumbnail {
    QImage picture;
    std::array<int16_t, 2> size{0, 0};
    bool decoderFailed = false;
};

/// Takes a clip's first picture stretched to a size; the frame grabber in the program, a fake
/// in tests.
using ClipGrabber = std::function<MadeThumbnail(const std::string& path, QSize stretchTo)>;

/// The grabber that decodes with the decoder named decoderName.
ClipGrabber decodingGrabber(const char* decoderName = kMpeg2DecoderName);

/// How thumbnails of one list are made.
struct ThumbnailRecipe {
    bool clips = true;    ///< clips' first pictures, else pictures
    QSize box{400, 300};  ///< device pixels
};

/// The thumbnail of the file at path; boxed puts a 4:3 clip between black bars.
MadeThumbnail makeThumbnail(const ClipGrabber& grab, const ThumbnailRecipe& recipe, const std::string& path,
                            bool boxed);

/// The name a recipe's thumbnails are remembered under, with boxed.
std::string recipeVariant(const ThumbnailRecipe& recipe, bool boxed);

}  // namespace kadrel
