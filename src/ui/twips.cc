#include "ui/twips.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace kadrel {

namespace {

/// Captions the layout fits tightly, with their widths in 96-dpi pixels and room for a check
/// box's indicator: the font must fit these.
struct TightCaption {
    const char* text;
    int designWidth;
    int extra;
};

constexpr TightCaption kTightCaptions[] = {
    {"overwrite existing files without warning", 203, 22},
    {"set Wide-Screen Flag(16:9)", 155, 22},
    {"&Manual Selection", 106, 12},
};

/// Line height the 195-twip labels were laid out for.
constexpr double kDesignLineHeight = 13.0;

}  // namespace

int twipsToPixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

int pixelsToTwips(int pixels, double dpi) {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi));
}

double layoutPixelsPerTwip(const QFont& font, double dpi) {
    const QFontMetrics metrics(font);
    double factor = std::max(1.0, metrics.height() / kDesignLineHeight);
    for (const TightCaption& caption : kTightCaptions) {
        const int width = metrics.horizontalAdvance(QString::fromLatin1(caption.text).remove('&'));
        factor = std::max(factor, double(width + caption.extra) / caption.designWidth);
    }
    return std::max(dpi / kTwipsPerInch, factor / 15.0);
}

int TwipsLayout::px(int twips) const {
    return static_cast<int>(std::lround(twips * scale_));
}

}  // namespace kadrel
