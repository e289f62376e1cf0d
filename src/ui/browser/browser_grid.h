// The thumbnail browser's grid without a window: display sizes, how many frames fit, which
// row is on top, where each frame sits, and how the scroll bar, wheel and keys move the page.
#pragma once

#include <array>
#include <cstdint>

namespace kadrel {

/// One row of the display size table: frames in twips, pictures and captions in pixels.
struct DisplaySize {
    const char* item;
    int frameHeight;
    int frameWidth43;
    int frameWidth169;
    int pictureHeight;
    int pictureWidth43;
    int pictureWidth169;
    int captionWidth;
};

/// The four display sizes, by the position in the size list.
inline constexpr std::array<DisplaySize, 4> kDisplaySizes{{
    {"Small", 900, 1200, 1400, 45, 60, 80, 80},
    {"Medium", 1200, 1500, 2000, 60, 80, 107, 100},
    {"Large", 2000, 2500, 3200, 100, 133, 178, 165},
    {"X-Large", 5200, 6500, 8700, 300, 400, 533, 500},
}};

inline constexpr int kPanelWidth = 2100;       ///< fixed panel at the right edge (twips)
inline constexpr int kScrollWidth = 270;       ///< scroll bar width (twips)
inline constexpr int kHorizontalGap = 100;     ///< between frames (twips)
inline constexpr int kVerticalGap = 300;       ///< room for the caption under a frame (twips)
inline constexpr int kLeftMargin = 100;        ///< twips
inline constexpr int kTopMargin = 100;         ///< twips
inline constexpr int kMinClientHeight = 4190;  ///< the panel's last button + 500 (twips)

/// A stored display size outside 0 to 3 reads as 1 ("Medium").
int displaySizeIndex(int stored);

/// Keys that move the page.
enum class ScrollKey { PageUp, PageDown, Home, End };

/// Geometry and paging of the frame grid; all positions in twips.
class BrowserGrid {
  public:
    /// Takes the frame and picture sizes of row index (read through displaySizeIndex).
    void setDisplaySize(int index, bool wide);
    /// Recomputes the grid for a client area of clientWidth x clientHeight twips.
    void resizeBrowser(int clientWidth, int clientHeight, int32_t fileCount);
    /// The smallest client area (twips) that holds one frame at the current display size.
    void clientSizeForOneFrame(int& clientWidth, int& clientHeight) const;
    /// Shows the page whose top row is value (the scroll bar's new value).
    void scrollTo(int32_t value);
    /// The file shown by frame k of the page.
    int32_t fileIndex(int k) const { return (firstRow - 1) * columns + k; }
    /// Left and top of frame k (its caption sits at top + frameHeight).
    void framePosition(int k, int& left, int& top) const;
    /// The scroll value after notches wheel detents (forward is positive, towards the top).
    int32_t wheelScroll(int notches) const;
    /// The scroll value after a key; unchanged when the scroll bar is hidden.
    int32_t keyScroll(ScrollKey key) const;

    int sizeIndex = 1;
    int frameHeight = 0, frameWidth = 0, pictureHeight = 0, pictureWidth = 0, captionWidth = 0;
    int columns = 0, rows = 0, slotsPerPage = 0, blanksAtEnd = 0, visibleCount = 0;
    int32_t pages = 0, firstRow = 1, lastFirstRow = 1;
    int scrollLeft = 0, scrollHeight = 0, largeChange = 1;
    bool scrollVisible = false;
    int32_t scrollMaximum = 1;

  private:
    int32_t clampValue(int64_t value) const;
};

/// Whole wheel detents from a wheel angle in eighths of a degree (120 a detent), rounded half
/// to even: one detent forward is 1, one back is -1. One detent scrolls one row.
int wheelNotches(int angleDelta);

}  // namespace kadrel
