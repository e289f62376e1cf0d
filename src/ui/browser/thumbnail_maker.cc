#include "ui/browser/thumbnail_maker.h"

#include <QImageReader>
#include <QPainter>
#include <algorithm>

#include "ui/browser/thumbnail_pixels.h"

namespace kadrel {
namespace {

int16_t side(int32_t pixels) {
    return static_cast<int16_t>(std::clamp(pixels, 0, 32767));
}

MadeThumbnail pictureThumbnail(const std::string& path, QSize box) {
    MadeThumbnail made;
    QImageReader reader(QString::fromStdString(path));
    const QImage picture = reader.read();
    PictureSizes size(1, {0, 0});
    made.picture = scalePictureToBox(picture, box.width(), box.height(), qRgb(255, 255, 255), size, 1);
    made.size = made.picture.isNull() ? std::array<int16_t, 2>{0, 0} : size[0];
    return made;
}

// Squeezed to three quarters of the wide box, between black bars, the frame is 4:3 again.
QImage betweenBars(const QImage& narrow, QSize box) {
    QImage boxed(box, QImage::Format_RGB888);
    boxed.fill(Qt::black);
    QPainter painter(&boxed);
    painter.drawImage((box.width() - narrow.width()) / 2, 0, narrow);
    return boxed;
}

}  // namespace

ClipGrabber decodingGrabber(const char* decoderName) {
    return [decoderName](const std::string& path, QSize stretchTo) {
        MadeThumbnail made;
        int32_t height = 0;
        int32_t width = 0;
        const DibFrame frame = grabFirstPicture(path, 0, height, width, made.decoderFailed, decoderName,
                                                {stretchTo.width(), stretchTo.height()});
        if (frame.isNull())
            return made;
        made.picture = dibToImage(frame.bits.data(), frame.width, frame.height, frame.rowBytes);
        made.size = {side(width), side(height)};
        return made;
    };
}

MadeThumbnail makeThumbnail(const ClipGrabber& grab, const ThumbnailRecipe& recipe, const std::string& path,
                            bool boxed) {
    if (!recipe.clips)
        return pictureThumbnail(path, recipe.box);
    const QSize stretchTo = boxed ? QSize(recipe.box.width() * 3 / 4, recipe.box.height()) : recipe.box;
    MadeThumbnail made = grab(path, stretchTo);
    if (!made.picture.isNull() && made.picture.size() != stretchTo)
        made.picture = made.picture.scaled(stretchTo, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (boxed && !made.picture.isNull())
        made.picture = betweenBars(made.picture, recipe.box);
    return made;
}

std::string recipeVariant(const ThumbnailRecipe& recipe, bool boxed) {
    return std::string(recipe.clips ? "clip " : "picture ") + std::to_string(recipe.box.width()) + "x" +
           std::to_string(recipe.box.height()) + (boxed ? " boxed" : "");
}

}  // namespace kadrel
