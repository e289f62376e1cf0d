// The frame grabber and the thumbnail runs, on the fixture clips and on clips made here.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "support/fakeui.h"
#include "support/tempdir.h"
#include "ui/browser/thumbnailstore.h"
#include "ui/browser/useMPEG2LIBDLL.h"

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

// The picture size as an independent reader (ffprobe) sees it, "720,576".
std::string probedSize(const std::string& path) {
    const std::string command =
        "ffprobe -v error -select_streams v:0 -show_entries "
        "stream=width,height -of csv=p=0 '" +
        path + "'";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[64];
        while (fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ','))
        text.pop_back();
    return text;
}

TEST(GrabTest, EachFixtureClipGrabsAtItsOwnSize) {
    int clips = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kData)) {
        if (entry.path().extension() != ".mpg")
            continue;
        const std::string path = entry.path().string();
        test::FakeUi ui;
        int32_t height = -1, width = -1;
        bool failed = true;
        const DibFrame frame = grabmpeg2frame(path, 0, height, width, failed, ui);
        ASSERT_FALSE(frame.isNull()) << path;
        ++clips;
        EXPECT_FALSE(failed);
        EXPECT_EQ(std::to_string(width) + "," + std::to_string(height), probedSize(path)) << path;
        EXPECT_EQ(frame.rowbytes, dibrowbytes(width, 24));
        EXPECT_EQ(frame.bits.size(), static_cast<size_t>(frame.rowbytes) * height);
        const QImage picture = dibToImage(frame.bits.data(), width, height, frame.rowbytes);
        EXPECT_GT(colours(picture), 8u) << path;
        EXPECT_TRUE(ui.messages.empty());
        // Stretched by the grabber it looks as the whole picture stretched smoothly: the same way
        // up, the same colours, the same detail; still telling its own size.
        int32_t ownHeight = 0, ownWidth = 0;
        const DibFrame slot = grabFirstPicture(path, 0, ownHeight, ownWidth, failed, kMpeg2DecoderName,
                                               {kThumbWidth, kThumbHeight});
        EXPECT_EQ(std::make_pair(ownWidth, ownHeight), std::make_pair(width, height));
        ASSERT_EQ(slot.bits.size(), static_cast<size_t>(kThumbBytes)) << path;
        const double difference =
            meanDifference(slotToImage(slot.bits.data()), CopyBitmap(picture, kThumbWidth, kThumbHeight, 24));
        EXPECT_LT(difference, 2.0) << path;
    }
    EXPECT_GE(clips, 5);
}

TEST(GrabTest, ClipsWithoutAPictureGiveNothingAndNoMessage) {
    test::TempDir dir;
    const std::string garbage = dir.write("broken.MOD", std::string(4096, '\x47'));
    const std::string empty = dir.write("empty.MOD", "");
    const std::string audio = dir.file("audio.MOD");
    const std::string command =
        "ffmpeg -nostdin -loglevel fatal -y -f lavfi -i "
        "sine=duration=1 -c:a mp2 -f vob '" +
        audio + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const std::string& path : {garbage, empty, audio, dir.file("missing.MOD")}) {
        test::FakeUi ui;
        int32_t height = 7, width = 9;
        bool failed = true;
        EXPECT_TRUE(grabmpeg2frame(path, 0, height, width, failed, ui).isNull()) << path;
        EXPECT_FALSE(failed);
        EXPECT_EQ(height, 7);
        EXPECT_EQ(width, 9);
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST(GrabTest, ClipThumbnailsFillTheSlotOrGetThePlaceholder) {
    test::TempDir dir;
    const std::string broken = dir.write("broken.MOD", std::string(10000, '\x01'));
    ThumbnailStore store = storeOf({kData + "/pal720x576.mpg", broken, kData + "/ntsc720x480.mpg"});
    RunControl control;
    test::FakeUi ui;
    bool failed = true;
    ASSERT_TRUE(createmovethumbnails(store, control, ui, failed, kMpeg2DecoderName, 1));
    EXPECT_FALSE(failed);
    ASSERT_EQ(store.thumbnailbits.size(), 3u * 360000);
    EXPECT_EQ(store.picturesize[0], (std::array<int16_t, 2>{720, 576}));
    EXPECT_EQ(store.picturesize[1], (std::array<int16_t, 2>{0, 0}));
    EXPECT_EQ(store.picturesize[2], (std::array<int16_t, 2>{720, 480}));
    const std::vector<uint8_t> slot1(store.slot(1), store.slot(1) + 360000);
    EXPECT_EQ(slot1, store.placeholderbits);
    // Both frames fill the whole slot: no white stripes at the edges, whatever the proportions.
    for (int32_t i : {0, 2}) {
        const QImage image = slotToImage(store.slot(i));
        EXPECT_GT(colours(image), 8u);
        EXPECT_NE(image.pixel(200, 2), qRgb(255, 255, 255));
        EXPECT_NE(image.pixel(2, 150), qRgb(255, 255, 255));
    }
    EXPECT_TRUE(ui.messages.empty());
    // Workers finish out of order; the store and the progress must not show it.
    ThumbnailStore pooled = storeOf(store.filelist);
    test::FakeUi pooledUi;
    ASSERT_TRUE(createmovethumbnails(pooled, control, pooledUi, failed, kMpeg2DecoderName, 4));
    EXPECT_EQ(pooled.thumbnailbits, store.thumbnailbits);
    EXPECT_EQ(pooled.picturesize, store.picturesize);
    EXPECT_EQ(pooledUi.progress, ui.progress);
    EXPECT_EQ(ui.progress.back(), (std::pair<std::string, int>{"creating Thumbnail 3 of 3", 100}));
}

// On one worker or many: the run stops at a decoder that cannot be used after showing so
// once, and at an abort, with the files before it in their slots and the rest left empty.
TEST(GrabTest, ProgressAbortAndAMissingDecoder) {
    const std::string clip = kData + "/cif352x288.mpg";
    ThumbnailStore store = storeOf(std::vector<std::string>(12, clip));
    for (int workers : {1, 4}) {
        SCOPED_TRACE(workers);
        store.resetSelection();  // as the manual selection does before each run
        RunControl control;
        test::FakeUi ui;
        bool failed = false;
        EXPECT_FALSE(createmovethumbnails(store, control, ui, failed, "no-such-decoder", workers));
        EXPECT_TRUE(failed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "ERROR");
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(ui.messages[0].text, decoderUnusableMessage());
        EXPECT_EQ(ui.progress.size(), 1u);  // stopped at the first file

        ui = test::FakeUi();
        ui.onEvents = [&](long) {
            control.abortrequested = control.abortrequested || ui.progress.size() == 4;
        };
        EXPECT_TRUE(createmovethumbnails(store, control, ui, failed, kMpeg2DecoderName, workers));
        EXPECT_FALSE(failed);
        ASSERT_EQ(ui.progress.size(), 4u);
        EXPECT_EQ(ui.progress[2], (std::pair<std::string, int>{"creating Thumbnail 3 of 12", 25}));
        // Abort came while the fourth was made or right after it went into its slot.
        const int32_t made = store.picturesize[3][0] == 0 ? 3 : 4;
        for (int32_t i = 0; i < 12; ++i) {
            EXPECT_EQ(store.picturesize[i],
                      (i < made ? std::array<int16_t, 2>{352, 288} : std::array<int16_t, 2>{0, 0}));
            EXPECT_TRUE(i < made
                            ? std::equal(store.slot(i), store.slot(i + 1), store.slot(0))
                            : std::all_of(store.slot(i), store.slot(i + 1), [](uint8_t b) { return b == 0; }))
                << i;
        }
    }
}

TEST(GrabTest, PictureThumbnailsKeepTheirProportionsOnWhite) {
    test::TempDir dir;
    QImage picture(720, 480, QImage::Format_RGB32);
    picture.fill(qRgb(30, 90, 160));
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("a.JPG")), "JPG"));
    ASSERT_TRUE(picture.scaled(300, 600).save(QString::fromStdString(dir.file("b.BMP")), "BMP"));
    const std::string bad = dir.write("c.JPG", "not a picture");
    ThumbnailStore store = storeOf({dir.file("a.JPG"), dir.file("b.BMP"), bad});
    RunControl control;
    test::FakeUi ui;
    ASSERT_TRUE(createpicturethumbnails(store, control, ui));
    EXPECT_EQ(store.picturesize[0], (std::array<int16_t, 2>{720, 480}));
    EXPECT_EQ(store.picturesize[1], (std::array<int16_t, 2>{300, 600}));
    EXPECT_EQ(store.picturesize[2], (std::array<int16_t, 2>{0, 0}));
    const QImage a = slotToImage(store.slot(0));
    EXPECT_EQ(a.pixel(200, 10), qRgb(255, 255, 255));  // letterbox stripe
    EXPECT_NEAR(qBlue(a.pixel(200, 150)), 160, 6);
    const QImage b = slotToImage(store.slot(1));
    EXPECT_EQ(b.pixel(20, 150), qRgb(255, 255, 255));  // pillarbox stripe
    EXPECT_EQ(std::vector<uint8_t>(store.slot(2), store.slot(2) + 360000), store.placeholderbits);
}

}  // namespace
}  // namespace kadrel
