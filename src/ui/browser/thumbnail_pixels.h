// Picture helpers on QImage: fitting a picture into a box without distortion, copying a picture
// to another size and depth, and the fixed 400 x 300 thumbnail byte layout.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

namespace kadrel {

/// Width and height of one thumbnail slot in pixels.
inline constexpr int kThumbWidth = 400;
/// Height of one thumbnail slot in pixels.
inline constexpr int kThumbHeight = 300;
/// Bytes of one thumbnail row: 400 pixels of blue, green, red.
inline constexpr int kThumbRowBytes = kThumbWidth * 3;
/// Bytes of one thumbnail slot.
inline constexpr int kThumbBytes = kThumbRowBytes * kThumbHeight;

/// Unscaled width and height of the picture of each slot, 0 x 0 for the placeholder.
using PictureSizes = std::vector<std::array<int16_t, 2>>;

/// Where a picture of w0 x h0 is drawn inside a box: single-precision scale factor, sizes
/// rounded half to even, offsets the integer halves of what is left over.
QRect fitToBox(int w0, int h0, int boxWidth, int boxHeight);

/// The picture fitted into a boxWidth x boxHeight box centred on backColor, at bitCount bits;
/// records its unscaled size at pictureSizes[slot - 1]. Null when the box is empty, the picture
/// is null or bitCount is not supported.
QImage scalePictureToBox(const QImage& picture, int boxWidth, int boxHeight, QRgb backColor, int bitCount,
                         PictureSizes& pictureSizes, int slot);

/// A copy of bitmap at width x height (0: as the source, negative: its absolute value) and
/// bitCount bits (0: as the source; else 1, 4, 8, 16, 24 or 32). smooth picks the filtered
/// stretch. Null for an unsupported depth or a null source.
QImage copyBitmap(const QImage& bitmap, int width, int height, int bitCount, bool smooth = true);

/// The picture as 400 x 300 pixels of blue, green, red, bottom row first, written to slot
/// (kThumbBytes). A picture of another size is stretched to fill the slot.
void getPictureBits(const QImage& picture, uint8_t* slot);

/// The same as a new buffer of kThumbBytes.
std::vector<uint8_t> getPictureBits(const QImage& picture);

/// A thumbnail slot (kThumbBytes, bottom row first) as a 400 x 300 image that owns its pixels.
QImage slotToImage(const uint8_t* slot);

/// A thumbnail slot shrunk to width x height (at most 400 x 300) by averaging the pixels each
/// output pixel covers; larger sizes are stretched smoothly.
QImage scaleSlot(const uint8_t* slot, int width, int height);

/// A bottom-up 24-bit blue-green-red pixel buffer with padded rows as an image.
QImage dibToImage(const uint8_t* bits, int width, int height, int rowBytes);

}  // namespace kadrel
