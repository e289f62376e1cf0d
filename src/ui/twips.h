// Stored window positions and sizes, and the designed sizes of the controls, are in twips;
// these turn them into pixels of this screen, the designed sizes grown when the system font is
// wider than the small bitmap font they were drawn for.
#pragma once

class QFont;

namespace kadrel {

/// Twips in one inch.
inline constexpr int kTwipsPerInch = 1440;

/// Pixels for twips at a logical dpi.
int twipsToPixels(int twips, double dpi);
/// Twips for pixels at a logical dpi.
int pixelsToTwips(int pixels, double dpi);

/// Pixels per twip for laying out a window: at least dpi / 1440, more when font needs more
/// room than the captions were drawn for.
double layoutPixelsPerTwip(const QFont& font, double dpi);

/// Converts design twips into layout pixels with one scale.
class TwipsLayout {
  public:
    /// A layout with pixelsPerTwip pixels per twip.
    explicit TwipsLayout(double pixelsPerTwip) : scale_(pixelsPerTwip) {}
    /// Layout pixels for twips.
    int px(int twips) const;
    /// Layout pixels for a length given in 96-dpi pixels.
    int fromDesignPixels(int pixels) const { return px(pixels * 15); }

  private:
    double scale_;
};

}  // namespace kadrel
