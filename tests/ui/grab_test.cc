#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <numeric>

#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/frame_grabber.h"
#include "ui/browser/thumbnail_maker.h"
#include "ui/browser/thumbnail_pixels.h"

namespace kadrel {
namespace {

const std::string kData = KADREL_TEST_DATA;
const QRgb kWhite = qRgb(255, 255, 255);

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

/// The smallest rectangle holding every pixel that is not white.
QRect drawnArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            area |= image.pixel(x, y) == kWhite ? QRect() : QRect(x, y, 1, 1);
    }
    return area;
}

/// The mean difference of the colour bytes of two pictures, the second stretched to the first.
double meanDifference(const QImage& made, const QImage& picture) {
    const QImage a = made.convertToFormat(QImage::Format_RGB888);
    const QImage b = picture.scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width() * 3; ++x)
            sum += std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
    }
    return sum / (a.width() * 3.0 * a.height());
}

// The picture lands centred at the largest size that keeps its shape, with white stripes
// around it (the odd pixel on the right or below), and its size is recorded in its slot only.
TEST(PictureTest, ScaledPicturesAreRoundedAndCentredInTheBox) {
    const std::pair<QSize, QRect> cases[] = {
        {{720, 576}, {12, 0, 375, 300}}, {{720, 480}, {0, 16, 400, 267}}, {{1, 1}, {50, 0, 300, 300}}};
    for (const auto& [size, expected] : cases) {
        PictureSizes sizes(3, {0, 0});
        const QImage picture = filled(size.width(), size.height(), qRgb(200, 0, 0));
        const QImage boxed = scalePictureToBox(picture, 400, 300, kWhite, sizes, 2);
        ASSERT_EQ(boxed.size(), QSize(400, 300));
        EXPECT_EQ(drawnArea(boxed), expected) << size.width() << "x" << size.height();
        EXPECT_EQ(sizes, (PictureSizes{{0, 0}, {int16_t(size.width()), int16_t(size.height())}, {0, 0}}));
    }
    PictureSizes sizes(1, {0, 0});
    for (const QImage& bad : {QImage(), filled(0, 300, kWhite)})
        EXPECT_TRUE(scalePictureToBox(bad, 400, 300, kWhite, sizes, 0).isNull());
}

// Rows of a bottom-up bitmap are padded to whole 32-bit words.
TEST(PictureTest, RowBytes) {
    for (const auto& [width, bits, expected] : {std::tuple{400, 24, 1200},
                                                {718, 24, 2156},
                                                {1, 1, 4},
                                                {0, 24, 0},
                                                {33, 1, 8},
                                                {-1, 24, -1},
                                                {INT32_MAX, 24, -1}})
        EXPECT_EQ(dibRowBytes(width, int16_t(bits)), expected) << width;
}

// A clip's thumbnail is its first picture stretched to the box: the same colours, the same
// detail. Garbage, an empty file, a clip without a picture and a missing file have none (they
// keep the placeholder) and cause no message.
TEST(GrabTest, ClipThumbnailsFillTheBoxOrHaveNone) {
    test::TempDir dir;
    const std::string audio = dir.file("audio.MOD");  // a clip without a picture
    const std::string makeAudio =
        "ffmpeg -nostdin -loglevel fatal -f lavfi -i sine=duration=1 -c:a mp2 -f vob ";
    ASSERT_EQ(std::system((makeAudio + "'" + audio + "'").c_str()), 0);
    const std::vector<std::string> files = {kData + "/pal720x576.mpg",
                                            kData + "/ntsc720x480.mpg",
                                            kData + "/pal704x576.mpg",
                                            kData + "/cif352x288.mpg",
                                            dir.write("broken.MOD", std::string(10000, '\x01')),
                                            dir.write("sync.MOD", std::string(4096, '\x47')),
                                            dir.write("empty.MOD", ""),
                                            audio,
                                            dir.file("missing.MOD")};
    const PictureSizes sizes = {{720, 576}, {720, 480}, {704, 576}, {352, 288}, {0, 0},
                                {0, 0},     {0, 0},     {0, 0},     {0, 0}};
    const ClipGrabber grab = decodingGrabber();
    test::FakeUi ui;
    for (size_t i = 0; i < files.size(); ++i) {
        const MadeThumbnail made = makeThumbnail(grab, {true, QSize(400, 300)}, files[i], false);
        EXPECT_FALSE(made.decoderFailed);
        EXPECT_EQ(made.size, sizes[i]) << i;
        EXPECT_EQ(made.picture.isNull(), i >= 4) << i;
        if (made.picture.isNull())
            continue;
        EXPECT_EQ(made.picture.size(), QSize(400, 300));
        EXPECT_GT(meanDifference(made.picture, made.picture.mirrored()), 10.0) << i;  // not a blank frame
        int32_t height = 0, width = 0;
        bool failed = false;
        const DibFrame frame = grabFirstFrame(files[i], 0, height, width, failed, ui);
        const QImage whole = dibToImage(frame.bits.data(), width, height, frame.rowBytes);
        EXPECT_LT(meanDifference(made.picture, whole), 2.0) << i;
    }
    EXPECT_TRUE(ui.messages.empty());
}

// A decoder that cannot be used is told apart from a clip without a picture.
TEST(GrabTest, AMissingDecoderIsReported) {
    const MadeThumbnail made = makeThumbnail(decodingGrabber("no-such-decoder"), {true, QSize(400, 300)},
                                             kData + "/cif352x288.mpg", false);
    EXPECT_TRUE(made.decoderFailed && made.picture.isNull());
}

// Pictures are read at their own size and boxed on white; one that does not read has none.
TEST(GrabTest, PictureThumbnails) {
    test::TempDir dir;
    ASSERT_TRUE(filled(300, 600, qRgb(30, 90, 160)).save(QString::fromStdString(dir.file("a.BMP")), "BMP"));
    const ThumbnailRecipe pictures{false, QSize(400, 300)};
    const MadeThumbnail made = makeThumbnail({}, pictures, dir.file("a.BMP"), false);
    EXPECT_EQ(made.size, (std::array<int16_t, 2>{300, 600}));
    EXPECT_EQ(drawnArea(made.picture.convertToFormat(QImage::Format_RGB32)), QRect(125, 0, 150, 300));
    EXPECT_TRUE(makeThumbnail({}, pictures, dir.write("b.JPG", "not a picture"), false).picture.isNull());
}

}  // namespace
}  // namespace kadrel
