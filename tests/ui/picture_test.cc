// The picture helpers: fitting into the thumbnail box, copies, and the bottom-up slot layout.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "ui/browser/frame_grabber.h"
#include "ui/browser/thumbnail_pixels.h"

namespace kadrel {
namespace {

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The picture lands centred at the largest size that keeps its shape, with white stripes
// around it, and its size is recorded in its own slot only.
TEST(PictureTest, ScalePictureToBoxRoundsAndCentres) {
    struct Case {
        int w0, h0;
        QRect expected;
    };
    const Case cases[] = {
        {720, 576, QRect(12, 0, 375, 300)},  // pillarbox: 12 columns left, 13 right
        {720, 480, QRect(0, 16, 400, 267)},  // letterbox: 16 rows above, 17 below
        {1, 1, QRect(50, 0, 300, 300)},
    };
    for (const Case& c : cases) {
        PictureSizes sizes(3, {0, 0});
        const QImage boxed = scalePictureToBox(filled(c.w0, c.h0, qRgb(200, 0, 0)), 400, 300,
                                               qRgb(255, 255, 255), 24, sizes, 2);
        ASSERT_EQ(boxed.size(), QSize(400, 300));
        const auto at = [&](int x, int y) {
            return boxed.valid(x, y) ? boxed.pixel(x, y) : qRgb(255, 255, 255);
        };
        const QRect r = c.expected;
        const int x = r.center().x(), y = r.center().y();
        EXPECT_EQ((std::vector<QRgb>{at(r.left(), y), at(r.right(), y), at(x, r.top()), at(x, r.bottom())}),
                  std::vector<QRgb>(4, qRgb(200, 0, 0)))
            << c.w0 << "x" << c.h0 << ": the picture's edges";
        EXPECT_EQ((std::vector<QRgb>{at(r.left() - 1, y), at(r.right() + 1, y), at(x, r.top() - 1),
                                     at(x, r.bottom() + 1)}),
                  std::vector<QRgb>(4, qRgb(255, 255, 255)))
            << c.w0 << "x" << c.h0 << ": the stripes";
        EXPECT_EQ(sizes[1], (std::array<int16_t, 2>{int16_t(c.w0), int16_t(c.h0)}));
        EXPECT_EQ(sizes[0], (std::array<int16_t, 2>{0, 0}));
    }
}

TEST(PictureTest, SameSizeIsAPlainCopyAndBadInputGivesNothing) {
    QImage source(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x)
            source.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    }
    PictureSizes sizes(1, {0, 0});
    EXPECT_EQ(scalePictureToBox(source, 400, 300, qRgb(255, 255, 255), 32, sizes, 1), source);
    EXPECT_TRUE(scalePictureToBox(source, 0, 300, 0, 24, sizes, 1).isNull());
    EXPECT_TRUE(scalePictureToBox(QImage(), 400, 300, 0, 24, sizes, 1).isNull());
    EXPECT_TRUE(scalePictureToBox(filled(0, 300, 0), 400, 300, 0, 24, sizes, 1).isNull());
    EXPECT_TRUE(scalePictureToBox(source, 400, 300, 0, 12, sizes, 1).isNull());
}

// The program copies only at 24 bits into a slot or a narrower frame of it.
TEST(PictureTest, CopyBitmapStretchesToTheSizeAsked) {
    const QImage scaled = copyBitmap(filled(64, 48, qRgb(10, 20, 30)), 32, 96, 24);
    EXPECT_EQ(scaled.size(), QSize(32, 96));
    EXPECT_EQ(scaled.pixel(5, 90), qRgb(10, 20, 30));
}

TEST(PictureTest, SlotBytesAreBlueGreenRedBottomRowFirst) {
    QImage picture = filled(400, 300, qRgb(0, 255, 0));
    picture.setPixel(0, 0, qRgb(255, 0, 0));      // top left: red
    picture.setPixel(399, 299, qRgb(0, 0, 255));  // bottom right: blue
    const std::vector<uint8_t> bits = getPictureBits(picture);
    ASSERT_EQ(bits.size(), 360000u);
    const size_t topRow = 299 * 1200;
    EXPECT_EQ((std::vector<uint8_t>(bits.begin() + topRow, bits.begin() + topRow + 3)),
              (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ((std::vector<uint8_t>(bits.begin() + 1197, bits.begin() + 1200)),
              (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(slotToImage(bits.data()), picture.convertToFormat(QImage::Format_BGR888));
}

TEST(PictureTest, ScaleSlotAveragesWhatEachPixelCovers) {
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(qRgb(250, 0, 0));
    for (int y = 0; y < 300; ++y) {
        for (int x = 200; x < 400; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 250));
    }
    picture.setPixel(0, 0, qRgb(0, 250, 0));
    const std::vector<uint8_t> slot = getPictureBits(picture);
    const QImage small = scaleSlot(slot.data(), 133, 100);
    ASSERT_EQ(small.size(), QSize(133, 100));
    EXPECT_EQ(small.pixel(0, 0), qRgb(222, 28, 0));  // 8 red and 1 green pixel averaged
    EXPECT_EQ(small.pixel(10, 99), qRgb(250, 0, 0));
    EXPECT_EQ(small.pixel(132, 0), qRgb(0, 0, 250));
    EXPECT_EQ(scaleSlot(slot.data(), 533, 300).size(), QSize(533, 300));
    EXPECT_TRUE(scaleSlot(slot.data(), 0, 300).isNull());
}

TEST(PictureTest, DibRowBytes) {
    struct Case {
        int32_t width;
        int16_t bits;
        int32_t expected;
    };
    const Case cases[] = {{400, 24, 1200}, {720, 24, 2160}, {718, 24, 2156}, {1, 1, 4},
                          {0, 24, 0},      {33, 1, 8},      {-1, 24, -1},    {INT32_MAX, 24, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(dibrowbytes(c.width, c.bits), c.expected) << c.width;
}

}  // namespace
}  // namespace kadrel
