// The frame grabber and the thumbnail runs, on the fixture clips and on clips made here.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/frame_grabber.h"
#include "ui/browser/thumbnail_store.h"

namespace kadrel {
namespace {

const std::string kData = KADREL_TEST_DATA;

// Distinct colours in a picture: testsrc frames have dozens, a blank frame one.
size_t colours(const QImage& image) {
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7)
            seen.insert(image.pixel(x, y));
    }
    return seen.size();
}

// The mean difference of the colour bytes of two pictures of the same size.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

ThumbnailStore storeOf(const std::vector<std::string>& files) {
    ThumbnailStore store;
    store.filelist = files;
    store.filecount = static_cast<int32_t>(files.size());
    store.resetSelection();
    return store;
}

// Garbage, an empty file, a clip without a picture and a missing file give nothing, leave the
// size alone and show no message: the browser then shows the placeholder.
TEST(GrabTest, ClipsWithoutAPictureGiveNothingAndNoMessage) {
    test::TempDir dir;
    const std::string audio = dir.file("audio.MOD");
    ASSERT_EQ(
        std::system(
            ("ffmpeg -nostdin -loglevel fatal -y -f lavfi -i sine=duration=1 -c:a mp2 -f vob '" + audio + "'")
                .c_str()),
        0);
    for (const std::string& path : {dir.write("broken.MOD", std::string(4096, '\x47')),
                                    dir.write("empty.MOD", ""), audio, dir.file("missing.MOD")}) {
        test::FakeUi ui;
        int32_t height = 7, width = 9;
        bool failed = true;
        EXPECT_TRUE(grabFirstFrame(path, 0, height, width, failed, ui).isNull()) << path;
        EXPECT_TRUE(!failed && height == 7 && width == 9 && ui.messages.empty()) << path;
    }
}

// Each clip is read at its own size and fills its whole slot (no white stripes whatever its
// proportions), looking as its whole picture stretched smoothly: the same way up, the same
// colours, the same detail. One that does not decode gets the placeholder.
TEST(GrabTest, ClipThumbnailsFillTheSlotOrGetThePlaceholder) {
    test::TempDir dir;
    const std::string broken = dir.write("broken.MOD", std::string(10000, '\x01'));
    ThumbnailStore store = storeOf({kData + "/pal720x576.mpg", broken, kData + "/ntsc720x480.mpg",
                                    kData + "/pal704x576.mpg", kData + "/cif352x288.mpg"});
    RunControl control;
    test::FakeUi ui;
    bool failed = true;
    ASSERT_TRUE(createmovethumbnails(store, control, ui, failed, kMpeg2DecoderName, 1));
    EXPECT_FALSE(failed);
    EXPECT_EQ(store.picturesize, (PictureSizes{{720, 576}, {0, 0}, {720, 480}, {704, 576}, {352, 288}}));
    EXPECT_EQ(std::vector<uint8_t>(store.slot(1), store.slot(2)), store.placeholderbits);
    for (int32_t i : {0, 2, 3, 4}) {
        const QImage image = slotToImage(store.slot(i));
        EXPECT_GT(colours(image), 8u);
        EXPECT_TRUE(image.pixel(200, 2) != qRgb(255, 255, 255) && image.pixel(2, 150) != qRgb(255, 255, 255));
        int32_t height = 0, width = 0;
        const DibFrame frame = grabFirstFrame(store.filelist[i], 0, height, width, failed, ui);
        const QImage whole = dibToImage(frame.bits.data(), width, height, frame.rowbytes);
        EXPECT_LT(meanDifference(image, copyBitmap(whole, kThumbWidth, kThumbHeight, 24)), 2.0) << i;
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.progress.back(), (std::pair<std::string, int>{"creating Thumbnail 5 of 5", 100}));
}

// On one worker or many: the run stops at a decoder that cannot be used after saying so once,
// and at an abort, with the files before it in their slots and the rest left empty.
TEST(GrabTest, ProgressAbortAndAMissingDecoder) {
    ThumbnailStore store = storeOf(std::vector<std::string>(12, kData + "/cif352x288.mpg"));
    for (int workers : {1, 4}) {
        SCOPED_TRACE(workers);
        store.resetSelection();  // as the manual selection does before each run
        RunControl control;
        test::FakeUi ui;
        bool failed = false;
        EXPECT_FALSE(createmovethumbnails(store, control, ui, failed, "no-such-decoder", workers));
        EXPECT_TRUE(failed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, decoderUnusableMessage());
        EXPECT_EQ(ui.progress.size(), 1u);  // stopped at the first file
        ui = test::FakeUi();
        ui.onEvents = [&](long) {
            control.abortrequested = control.abortrequested || ui.progress.size() == 4;
        };
        EXPECT_TRUE(createmovethumbnails(store, control, ui, failed, kMpeg2DecoderName, workers));
        ASSERT_EQ(ui.progress.size(), 4u);
        EXPECT_EQ(ui.progress[2], (std::pair<std::string, int>{"creating Thumbnail 3 of 12", 25}));
        // Abort came while the fourth was made or right after it went into its slot.
        const int32_t made = store.picturesize[3][0] == 0 ? 3 : 4;
        for (int32_t i = 0; i < 12; ++i) {
            const bool full = std::equal(store.slot(i), store.slot(i + 1), store.slot(0));
            const bool empty =
                std::all_of(store.slot(i), store.slot(i + 1), [](uint8_t b) { return b == 0; });
            EXPECT_TRUE(i < made ? full && store.picturesize[i][0] == 352
                                 : empty && store.picturesize[i][0] == 0)
                << i;
        }
    }
}

// Pictures are read at their own size and boxed on white; one that does not read gets the
// placeholder.
TEST(GrabTest, PictureThumbnails) {
    test::TempDir dir;
    QImage picture(300, 600, QImage::Format_RGB32);
    picture.fill(qRgb(30, 90, 160));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("a.BMP")), "BMP"));
    ThumbnailStore store = storeOf({dir.file("a.BMP"), dir.write("b.JPG", "not a picture")});
    RunControl control;
    test::FakeUi ui;
    ASSERT_TRUE(createpicturethumbnails(store, control, ui));
    EXPECT_EQ(store.picturesize, (PictureSizes{{300, 600}, {0, 0}}));
    EXPECT_EQ(slotToImage(store.slot(0)).pixel(20, 150), qRgb(255, 255, 255));  // pillarbox stripe
    EXPECT_EQ(std::vector<uint8_t>(store.slot(1), store.slot(1) + kThumbBytes), store.placeholderbits);
}

}  // namespace
}  // namespace kadrel
