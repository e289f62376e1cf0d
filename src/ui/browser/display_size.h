// The browser's four display sizes: how large a thumbnail's frame and picture are drawn, in
// pixels at 100 % (Qt scales them for the screen), and how the wheel turns into rows.
#pragma once

#include <array>

namespace kadrel {

/// One row of the display size table.
struct DisplaySize {
    const char* item;
    int frameWidth43;
    int frameWidth169;
    int frameHeight;
    int pictureWidth43;
    int pictureWidth169;
    int pictureHeight;
    bool secondLine;  ///< the caption also tells when the clip was recorded
};

/// The four display sizes, by the position in the size list.
inline constexpr std::array<DisplaySize, 4> kDisplaySizes{{
    {"Small", 80, 93, 60, 60, 80, 45, false},
    {"Medium", 100, 133, 80, 80, 107, 60, true},
    {"Large", 167, 213, 133, 133, 178, 100, true},
    {"X-Large", 433, 580, 347, 400, 533, 300, true},
}};

/// The largest picture drawn: thumbnails are made at this size (times the screen's pixel ratio)
/// so that any display size is a smooth reduction.
inline constexpr int kLargestPictureHeight = 300;

/// A stored display size outside 0 to 3 reads as 1 ("Medium").
int displaySizeIndex(int stored);

/// Whole wheel detents from a wheel angle in eighths of a degree (120 a detent), rounded half
/// to even: one detent forward is 1, one back is -1. One detent scrolls one row.
int wheelNotches(int angleDelta);

}  // namespace kadrel
