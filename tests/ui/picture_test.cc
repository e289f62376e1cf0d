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
// around it (the odd pixel on the right or below), and its size is recorded in its slot only.
TEST(PictureTest, ScaledPicturesAreRoundedAndCentredInTheBox) {
    const struct {
        int w0, h0;
        QRect expected;
    } cases[] = {{720, 576, QRect(12, 0, 375, 300)},
                 {720, 480, QRect(0, 16, 400, 267)},
                 {1, 1, QRect(50, 0, 300, 300)}};
    const QRgb red = qRgb(200, 0, 0), white = qRgb(255, 255, 255);
    for (const auto& c : cases) {
        PictureSizes sizes(3, {0, 0});
        const QImage boxed = scalePictureToBox(filled(c.w0, c.h0, red), 400, 300, white, 24, sizes, 2);
        ASSERT_EQ(boxed.size(), QSize(400, 300));
        const auto at = [&](int x, int y) { return boxed.valid(x, y) ? boxed.pixel(x, y) : white; };
        const QRect r = c.expected;
        const int x = r.center().x(), y = r.center().y();
        EXPECT_EQ((std::vector<QRgb>{at(r.left(), y), at(r.right(), y), at(x, r.top()), at(x, r.bottom()),
                                     at(r.left() - 1, y), at(r.right() + 1, y), at(x, r.top() - 1),
                                     at(x, r.bottom() + 1)}),
                  (std::vector<QRgb>{red, red, red, red, white, white, white, white}))
            << c.w0 << "x" << c.h0;
        EXPECT_EQ(sizes, (PictureSizes{{0, 0}, {int16_t(c.w0), int16_t(c.h0)}, {0, 0}}));
    }
    PictureSizes sizes(1, {0, 0});
    for (const QImage& bad : {QImage(), filled(0, 300, red)})
        EXPECT_TRUE(scalePictureToBox(bad, 400, 300, white, 24, sizes, 0).isNull());
    EXPECT_TRUE(scalePictureToBox(filled(8, 6, red), 400, 300, white, 12, sizes, 0).isNull());
}

// A slot holds blue, green, red bytes from the bottom row up; scaling it down averages what
// each pixel covers.
TEST(PictureTest, SlotLayoutAndScaling) {
    QImage picture = filled(400, 300, qRgb(250, 0, 0));
    for (int y = 0; y < 300; ++y)
        for (int x = 200; x < 400; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 250));
    picture.setPixel(0, 0, qRgb(0, 250, 0));
    const std::vector<uint8_t> slot = getPictureBits(picture);
    ASSERT_EQ(slot.size(), 360000u);
    EXPECT_EQ((std::vector<uint8_t>(slot.begin() + 299 * 1200, slot.begin() + 299 * 1200 + 3)),
              (std::vector<uint8_t>{0, 250, 0}));  // the top left pixel, in the last row
    EXPECT_EQ((std::vector<uint8_t>(slot.begin() + 1197, slot.begin() + 1200)),
              (std::vector<uint8_t>{250, 0, 0}));
    EXPECT_EQ(slotToImage(slot.data()), picture.convertToFormat(QImage::Format_BGR888));
    const QImage small = scaleSlot(slot.data(), 133, 100);
    ASSERT_EQ(small.size(), QSize(133, 100));
    EXPECT_EQ(small.pixel(0, 0), qRgb(222, 28, 0));  // 8 red and 1 green pixel averaged
    EXPECT_EQ(small.pixel(10, 99), qRgb(250, 0, 0));
    EXPECT_EQ(small.pixel(132, 0), qRgb(0, 0, 250));
    EXPECT_TRUE(scaleSlot(slot.data(), 0, 300).isNull());
}

TEST(PictureTest, DibRowBytes) {
    const struct {
        int32_t width;
        int16_t bits;
        int32_t expected;
    } cases[] = {{400, 24, 1200}, {718, 24, 2156}, {1, 1, 4},          {0, 24, 0},
                 {33, 1, 8},      {-1, 24, -1},    {INT32_MAX, 24, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(dibrowbytes(c.width, c.bits), c.expected) << c.width;
}

}  // namespace
}  // namespace kadrel
