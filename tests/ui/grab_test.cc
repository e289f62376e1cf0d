#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <numeric>

#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/frame_grabber.h"
#include "ui/browser/thumbnail_store.h"

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

/// The mean difference of the colour bytes of a slot and a picture stretched to a slot.
double meanDifference(const uint8_t* slot, const QImage& picture) {
    const std::vector<uint8_t> b = getPictureBits(picture);
    const auto difference = [](int p, int q) { return std::abs(p - q); };
    return std::transform_reduce(b.begin(), b.end(), slot, 0.0, std::plus<>(), difference) / kThumbBytes;
}

ThumbnailStore storeOf(const std::vector<std::string>& files) {
    ThumbnailStore store;
    store.fileList = files;
    store.fileCount = static_cast<int32_t>(files.size());
    store.resetSelection();
    return store;
}

std::vector<uint8_t> slotBytes(const ThumbnailStore& store, int32_t i) {
    return std::vector<uint8_t>(store.slot(i), store.slot(i) + kThumbBytes);
}

// The picture lands centred at the largest size that keeps its shape, with white stripes
// around it (the odd pixel on the right or below), and its size is recorded in its slot only.
TEST(PictureTest, ScaledPicturesAreRoundedAndCentredInTheBox) {
    const std::pair<QSize, QRect> cases[] = {
        {{720, 576}, {12, 0, 375, 300}}, {{720, 480}, {0, 16, 400, 267}}, {{1, 1}, {50, 0, 300, 300}}};
    for (const auto& [size, expected] : cases) {
        PictureSizes sizes(3, {0, 0});
        const QImage picture = filled(size.width(), size.height(), qRgb(200, 0, 0));
        const QImage boxed = scalePictureToBox(picture, 400, 300, kWhite, 24, sizes, 2);
        ASSERT_EQ(boxed.size(), QSize(400, 300));
        EXPECT_EQ(drawnArea(boxed), expected) << size.width() << "x" << size.height();
        EXPECT_EQ(sizes, (PictureSizes{{0, 0}, {int16_t(size.width()), int16_t(size.height())}, {0, 0}}));
    }
    PictureSizes sizes(1, {0, 0});
    for (const QImage& bad : {QImage(), filled(0, 300, kWhite)})
        EXPECT_TRUE(scalePictureToBox(bad, 400, 300, kWhite, 24, sizes, 0).isNull());
    EXPECT_TRUE(scalePictureToBox(filled(8, 6, kWhite), 400, 300, kWhite, 12, sizes, 0).isNull());
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
    for (const auto& [width, bits, expected] : {std::tuple{400, 24, 1200},
                                                {718, 24, 2156},
                                                {1, 1, 4},
                                                {0, 24, 0},
                                                {33, 1, 8},
                                                {-1, 24, -1},
                                                {INT32_MAX, 24, -1}})
        EXPECT_EQ(dibRowBytes(width, int16_t(bits)), expected) << width;
}

// Each clip is read at its own size and fills its whole slot (no white stripes whatever its
// proportions), looking as its whole picture stretched smoothly: the same way up, the same
// colours, the same detail. Garbage, an empty file, a clip without a picture and a missing
// file get the placeholder and no message.
TEST(GrabTest, ClipThumbnailsFillTheSlotOrGetThePlaceholder) {
    test::TempDir dir;
    const std::string audio = dir.file("audio.MOD");  // a clip without a picture
    const std::string makeAudio =
        "ffmpeg -nostdin -loglevel fatal -f lavfi -i sine=duration=1 -c:a mp2 -f vob ";
    ASSERT_EQ(std::system((makeAudio + "'" + audio + "'").c_str()), 0);
    ThumbnailStore store =
        storeOf({kData + "/pal720x576.mpg", kData + "/ntsc720x480.mpg", kData + "/pal704x576.mpg",
                 kData + "/cif352x288.mpg", dir.write("broken.MOD", std::string(10000, '\x01')),
                 dir.write("sync.MOD", std::string(4096, '\x47')), dir.write("empty.MOD", ""), audio,
                 dir.file("missing.MOD")});
    RunControl control;
    test::FakeUi ui;
    bool failed = true;
    ASSERT_TRUE(createClipThumbnails(store, control, ui, failed, kMpeg2DecoderName, 1));
    EXPECT_FALSE(failed);
    EXPECT_EQ(store.pictureSizes,
              (PictureSizes{
                  {720, 576}, {720, 480}, {704, 576}, {352, 288}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}));
    for (int32_t i = 4; i < store.fileCount; ++i)
        EXPECT_EQ(slotBytes(store, i), store.placeholderBits) << i;
    for (int32_t i : {0, 1, 2, 3}) {
        const QImage image = slotToImage(store.slot(i));
        EXPECT_GT(meanDifference(store.slot(i), image.mirrored()), 10.0) << i;  // not a blank frame
        EXPECT_TRUE(image.pixel(200, 2) != kWhite && image.pixel(2, 150) != kWhite);
        int32_t height = 0, width = 0;
        const DibFrame frame = grabFirstFrame(store.fileList[i], 0, height, width, failed, ui);
        const QImage whole = dibToImage(frame.bits.data(), width, height, frame.rowBytes);
        EXPECT_LT(meanDifference(store.slot(i), whole), 2.0) << i;
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.progress.back(), (std::pair<std::string, int>{"creating Thumbnail 9 of 9", 100}));
}

// The run stops at a decoder that cannot be used after saying so once,
// and at an abort, with the files before it in their slots and the rest left empty.
TEST(GrabTest, ProgressAbortAndAMissingDecoder) {
    ThumbnailStore store = storeOf(std::vector<std::string>(12, kData + "/cif352x288.mpg"));
    RunControl control;
    test::FakeUi ui;
    bool failed = false;
    EXPECT_FALSE(createClipThumbnails(store, control, ui, failed, "no-such-decoder", 4));
    EXPECT_TRUE(failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, decoderUnusableMessage());
    EXPECT_EQ(ui.progress.size(), 1u);  // stopped at the first file
    ui = test::FakeUi();
    ui.onEvents = [&](long) { control.abortRequested = control.abortRequested || ui.progress.size() == 4; };
    store.resetSelection();  // as the manual selection does before each run
    EXPECT_TRUE(createClipThumbnails(store, control, ui, failed, kMpeg2DecoderName, 4));
    ASSERT_EQ(ui.progress.size(), 4u);
    EXPECT_EQ(ui.progress[2], (std::pair<std::string, int>{"creating Thumbnail 3 of 12", 25}));
    // Abort came while the fourth was made or right after it went into its slot.
    const int32_t made = store.pictureSizes[3][0] == 0 ? 3 : 4;
    for (int32_t i = 0; i < 12; ++i) {
        const bool full = std::equal(store.slot(i), store.slot(i + 1), store.slot(0));
        const bool empty = std::all_of(store.slot(i), store.slot(i + 1), [](uint8_t b) { return b == 0; });
        EXPECT_TRUE(i < made ? full && store.pictureSizes[i][0] == 352
                             : empty && store.pictureSizes[i][0] == 0)
            << i;
    }
}

// Pictures are read at their own size and boxed on white; one that does not read gets the
// placeholder.
TEST(GrabTest, PictureThumbnails) {
    test::TempDir dir;
    ASSERT_TRUE(filled(300, 600, qRgb(30, 90, 160)).save(QString::fromStdString(dir.file("a.BMP")), "BMP"));
    ThumbnailStore store = storeOf({dir.file("a.BMP"), dir.write("b.JPG", "not a picture")});
    RunControl control;
    test::FakeUi ui;
    ASSERT_TRUE(createPictureThumbnails(store, control, ui));
    EXPECT_EQ(store.pictureSizes, (PictureSizes{{300, 600}, {0, 0}}));
    EXPECT_EQ(drawnArea(slotToImage(store.slot(0))), QRect(125, 0, 150, 300));  // pillarbox stripes
    EXPECT_EQ(slotBytes(store, 1), store.placeholderBits);
}

}  // namespace
}  // namespace kadrel
