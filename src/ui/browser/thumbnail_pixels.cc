#include "ui/browser/thumbnail_pixels.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kadrel {
namespace {

// The image format that stands for a bit depth; Invalid for depths a bitmap cannot have.
// Qt has no 4-bit format, so 4 bits become an 8-bit palette, which holds the same colours.
QImage::Format formatForDepth(int bitCount, QImage::Format source) {
    switch (bitCount) {
        case 0:
            return source;
        case 1:
            return QImage::Format_Mono;
        case 4:
        case 8:
            return QImage::Format_Indexed8;
        case 16:
            return QImage::Format_RGB555;
        case 24:
            return QImage::Format_BGR888;
        case 32:
            return QImage::Format_RGB32;
        default:
            return QImage::Format_Invalid;
    }
}

QImage stretched(const QImage& picture, int width, int height, bool smooth) {
    return picture.scaled(width, height, Qt::IgnoreAspectRatio,
                          smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
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

QImage scalePictureToBox(const QImage& picture, int boxWidth, int boxHeight, QRgb backColor, int bitCount,
                         PictureSizes& pictureSizes, int slot) {
    if (picture.isNull() || boxWidth < 1 || boxHeight < 1)
        return {};
    const QImage::Format format = formatForDepth(bitCount, picture.format());
    if (format == QImage::Format_Invalid)
        return {};
    if (slot >= 1 && static_cast<size_t>(slot) <= pictureSizes.size()) {
        pictureSizes[slot - 1] = {static_cast<int16_t>(std::min(picture.width(), 32767)),
                                  static_cast<int16_t>(std::min(picture.height(), 32767))};
    }
    const QRect drawn = fitToBox(picture.width(), picture.height(), boxWidth, boxHeight);
    if (drawn.width() == boxWidth && drawn.height() == boxHeight) {
        return stretched(picture, boxWidth, boxHeight, true).convertToFormat(format);
    }
    QImage box(boxWidth, boxHeight, QImage::Format_RGB32);
    box.fill(backColor);
    if (!drawn.isEmpty()) {
        QPainter painter(&box);
        painter.drawImage(drawn.topLeft(), stretched(picture, drawn.width(), drawn.height(), true));
    }
    return box.convertToFormat(format);
}

QImage copyBitmap(const QImage& bitmap, int width, int height, int bitCount, bool smooth) {
    if (bitmap.isNull())
        return {};
    const QImage::Format format = formatForDepth(bitCount, bitmap.format());
    if (format == QImage::Format_Invalid)
        return {};
    const int w = width == 0 ? bitmap.width() : std::abs(width);
    const int h = height == 0 ? bitmap.height() : std::abs(height);
    if (w == bitmap.width() && h == bitmap.height())
        return bitmap.convertToFormat(format);
    return stretched(bitmap, w, h, smooth).convertToFormat(format);
}

void getPictureBits(const QImage& picture, uint8_t* slot) {
    QImage image = picture;
    if (image.width() != kThumbWidth || image.height() != kThumbHeight) {
        image = stretched(picture, kThumbWidth, kThumbHeight, true);
    }
    image = image.convertToFormat(QImage::Format_BGR888);
    if (image.isNull()) {
        std::memset(slot, 0xFF, kThumbBytes);
        return;
    }
    for (int y = 0; y < kThumbHeight; ++y) {
        std::memcpy(slot + static_cast<size_t>(kThumbHeight - 1 - y) * kThumbRowBytes, image.constScanLine(y),
                    kThumbRowBytes);
    }
}

std::vector<uint8_t> getPictureBits(const QImage& picture) {
    std::vector<uint8_t> bits(kThumbBytes);
    getPictureBits(picture, bits.data());
    return bits;
}

QImage slotToImage(const uint8_t* slot) {
    return dibToImage(slot, kThumbWidth, kThumbHeight, kThumbRowBytes);
}

namespace {

// The source range [first, last) that output index i of n covers in a span of size.
struct Span {
    int first;
    int last;
};

std::vector<Span> spans(int n, int size) {
    std::vector<Span> result(n);
    for (int i = 0; i < n; ++i) {
        const int first = i * size / n;
        result[i] = {first, std::max(first + 1, (i + 1) * size / n)};
    }
    return result;
}

// One output row: the slot rows [rows.first, rows.last) are summed byte by byte into sums (a
// loop the compiler vectorises), then each column span of the sums is averaged.
void averageRow(const uint8_t* slot, Span rows, const std::vector<Span>& columns, std::vector<uint32_t>& sums,
                QRgb* out) {
    std::fill(sums.begin(), sums.end(), 0u);
    uint32_t* __restrict total = sums.data();
    for (int y = rows.first; y < rows.last; ++y) {
        const uint8_t* __restrict p = slot + static_cast<size_t>(kThumbHeight - 1 - y) * kThumbRowBytes;
        for (int i = 0; i < kThumbRowBytes; ++i)
            total[i] += p[i];
    }
    for (size_t x = 0; x < columns.size(); ++x) {
        uint32_t b = 0, g = 0, r = 0;
        for (int c = columns[x].first; c < columns[x].last; ++c) {
            b += sums[c * 3];
            g += sums[c * 3 + 1];
            r += sums[c * 3 + 2];
        }
        const auto n = static_cast<uint32_t>((rows.last - rows.first) * (columns[x].last - columns[x].first));
        out[x] = qRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n);
    }
}

}  // namespace

QImage scaleSlot(const uint8_t* slot, int width, int height) {
    if (width < 1 || height < 1)
        return {};
    if (width > kThumbWidth || height > kThumbHeight) {
        return stretched(slotToImage(slot), width, height, true);
    }
    QImage image(width, height, QImage::Format_RGB32);
    const std::vector<Span> columns = spans(width, kThumbWidth);
    const std::vector<Span> rows = spans(height, kThumbHeight);
    std::vector<uint32_t> sums(kThumbRowBytes);
    for (int y = 0; y < height; ++y) {
        averageRow(slot, rows[y], columns, sums, reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
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
