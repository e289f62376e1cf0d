// Picture helpers on QImage: fitting a picture into a box without distortion, copying a picture
// to another size and depth, and reading a decoder's bottom-up pixel rows.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

namespace kadrel {

/// Unscaled width and height of the picture of each slot, 0 x 0 for the placeholder.
using PictureSizes = std::vector<std::array<int16_t, 2>>;

/// Where a picture of w0 x h0 is drawn inside a box: single-precision scale factor, sizes
/// rounded half to even, offsets the integer halves of what is left over.
QRect fitToBox(int w0, int h0, int boxWidth, int boxHeight);

/// The picture fitted into a boxWidth x boxHeight box centred on backColor, 24 bits blue, green,
/// red; records its unscaled size at pictureSizes[slot - 1]. Null when the box is empty or the
/// picture is null.
QImage scalePictureToBox(const QImage& picture, int boxWidth, int boxHeight, QRgb backColor,
                         PictureSizes& pictureSizes, int slot);

/// A bottom-up 24-bit blue-green-red pixel buffer with padded rows as an image.
QImage dibToImage(const uint8_t* bits, int width, int height, int rowBytes);

}  // namespace kadrel
