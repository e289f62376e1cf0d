#include "ui/browser/thumbnail_pixels.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kadrel {
namespace {

QImage stretched(const QImage& picture, int width, int height) {
    return picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QRect fitToBox(int w0, int h0, int boxWidth, int boxHeight) {
    if (w0 < 1 || h0 < 1 || boxWidth < 1 || boxHeight < 1)
        return {};
    const float sx = static_cast<float>(boxWidth) / static_cast<float>(w0);
    const float sy = static_cast<float>(boxHeight) / static_cast<float>(h0);
    const float s = std::min(sx, sy);
    // lrint rounds halves to even in the default rounding mode.
    const int w = static_cast<int>(std::lrint(static_cast<double>(s) * w0));
    const int h = static_cast<int>(std::lrint(static_cast<double>(s) * h0));
    return QRect((boxWidth - w) / 2, (boxHeight - h) / 2, w, h);
}

QImage scalePictureToBox(const QImage& picture, int boxWidth, int boxHeight, QRgb backColor,
                         PictureSizes& pictureSizes, int slot) {
    if (picture.isNull() || boxWidth < 1 || boxHeight < 1)
        return {};
    constexpr QImage::Format format = QImage::Format_BGR888;
    if (slot >= 1 && static_cast<size_t>(slot) <= pictureSizes.size()) {
        pictureSizes[slot - 1] = {static_cast<int16_t>(std::min(picture.width(), 32767)),
                                  static_cast<int16_t>(std::min(picture.height(), 32767))};
    }
    const QRect drawn = fitToBox(picture.width(), picture.height(), boxWidth, boxHeight);
    if (drawn.width() == boxWidth && drawn.height() == boxHeight) {
        return stretched(picture, boxWidth, boxHeight).convertToFormat(format);
    }
    QImage box(boxWidth, boxHeight, QImage::Format_RGB32);
    box.fill(backColor);
    if (!drawn.isEmpty()) {
        QPainter painter(&box);
        painter.drawImage(drawn.topLeft(), stretched(picture, drawn.width(), drawn.height()));
    }
    return box.convertToFormat(format);
}

QImage dibToImage(const uint8_t* bits, int width, int height, int rowBytes) {
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull())
        return image;
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), bits + static_cast<size_t>(height - 1 - y) * rowBytes,
                    static_cast<size_t>(width) * 3);
    }
    return image;
}

}  // namespace kadrel
