// The frame grabber: the first picture of an MPEG-2 clip as a bottom-up 24-bit pixel buffer,
// decoded with the FFmpeg libraries. The only module that includes FFmpeg headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ui_seam.h"

namespace kadrel {

/// The FFmpeg decoder that every camcorder clip needs; without it no thumbnail can be made.
inline constexpr char kMpeg2DecoderName[] = "mpeg2video";

/// A decoded picture: blue, green, red bytes, bottom row first, rows of dibRowBytes(width, 24).
struct DibFrame {
    std::vector<uint8_t> bits;  ///< empty when no picture was made
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;

    /// True when no picture was made.
    bool isNull() const { return bits.empty(); }
};

/// The size a picture is delivered at: 0 x 0 for the clip's own.
struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
};

/// Bytes in one row of a bottom-up bitmap: width x bits rounded up to whole 32-bit words.
/// -1 when the width or depth is negative or the row would not fit 32 bits.
int32_t dibRowBytes(int32_t width, int16_t bitsPerPixel);

/// The text of the box shown when the decoder cannot be used (lines joined by CR LF).
std::string decoderUnusableMessage();

/// Shows decoderUnusableMessage under "ERROR".
void showDecoderUnusable(UiSeam& ui);

/// Decodes the first picture from seekPosition (bytes, 0 = the start) of the clip at path, as
/// grabFirstFrame does but without a message: libraryFailed tells the caller to show one.
/// A stretchTo size delivers the picture stretched to it, while height and width still tell
/// the picture's own size. Keeps no state shared between threads, so several clips can be
/// grabbed at once.
DibFrame grabFirstPicture(const std::string& path, int64_t seekPosition, int32_t& height, int32_t& width,
                          bool& libraryFailed, const char* decoderName = kMpeg2DecoderName,
                          FrameSize stretchTo = {});

/// Decodes the first picture from seekPosition (bytes, 0 = the start) of the clip at path.
/// height and width are written when the clip has a picture. libraryFailed is set only when
/// the decoder named decoderName cannot be used; the box is then shown through ui. A clip
/// without a usable picture gives a null frame and no message.
DibFrame grabFirstFrame(const std::string& path, int64_t seekPosition, int32_t& height, int32_t& width,
                        bool& libraryFailed, UiSeam& ui, const char* decoderName = kMpeg2DecoderName);

}  // namespace kadrel
