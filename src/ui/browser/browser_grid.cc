#include "ui/browser/browser_grid.h"

#include <algorithm>
#include <cmath>

namespace kadrel {
namespace {

int32_t ceilDiv(int32_t a, int32_t b) {
    return (a + b - 1) / b;
}

}  // namespace

int displaySizeIndex(int stored) {
    return stored >= 0 && stored < static_cast<int>(kDisplaySizes.size()) ? stored : 1;
}

void BrowserGrid::setDisplaySize(int index, bool wide) {
    sizeindex = displaySizeIndex(index);
    const DisplaySize& size = kDisplaySizes[sizeindex];
    frameheight = size.frameheight;
    framewidth = wide ? size.framewidth169 : size.framewidth43;
    pictureheight = size.pictureheight;
    picturewidth = wide ? size.picturewidth169 : size.picturewidth43;
    captionwidth = size.captionwidth;
}

void BrowserGrid::resizeBrowser(int clientwidth, int clientheight, int32_t filecount) {
    // The client area excludes the title bar, so the scroll bar takes its full height.
    scrollheight = std::max(clientheight, kMinClientHeight);
    scrollleft = std::max(clientwidth, kPanelWidth) - kScrollWidth - kPanelWidth;
    columns = std::max(0, (scrollleft - kLeftMargin) / (kHorizontalGap + framewidth));
    rows = std::max(0, (scrollheight - kTopMargin) / (kVerticalGap + frameheight));
    if (scrollleft < kLeftMargin)
        columns = 0;
    if (columns < 1 || rows < 1 || filecount < 1) {
        pages = 0;
        lastfirstrow = 1;
    } else {
        pages = ceilDiv(filecount, rows * columns);
        lastfirstrow = std::max(1, ceilDiv(filecount, columns) - rows + 1);
    }
    firstrow = std::clamp(firstrow, int32_t{1}, lastfirstrow);
    slotsperpage = columns * rows;
    blanksatend = slotsperpage > 0 ? (lastfirstrow - 1) * columns + slotsperpage - filecount : 0;
    blanksatend = std::max(0, blanksatend);
    visiblecount = firstrow != lastfirstrow ? slotsperpage : slotsperpage - blanksatend;
    largechange = rows > 0 ? rows : 1;
    scrollvisible = pages > 1;
    scrollmaximum = lastfirstrow;
}

void BrowserGrid::clientSizeForOneFrame(int& clientwidth, int& clientheight) const {
    clientwidth = kLeftMargin + kHorizontalGap + framewidth + kScrollWidth + kPanelWidth;
    clientheight = std::max(kTopMargin + kVerticalGap + frameheight, kMinClientHeight);
}

void BrowserGrid::scrollTo(int32_t value) {
    firstrow = std::clamp(value, int32_t{1}, lastfirstrow);
    visiblecount = firstrow != lastfirstrow ? slotsperpage : slotsperpage - blanksatend;
}

void BrowserGrid::framePosition(int k, int& left, int& top) const {
    const int c = columns > 0 ? k % columns : 0;
    const int r = columns > 0 ? k / columns : 0;
    top = kTopMargin + r * (kVerticalGap + frameheight);
    left = kLeftMargin + c * (kHorizontalGap + framewidth);
}

int32_t BrowserGrid::clampValue(int64_t value) const {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 1, scrollmaximum));
}

int32_t BrowserGrid::wheelscroll(int notches) const {
    if (!scrollvisible)
        return firstrow;
    return clampValue(int64_t{firstrow} - notches);
}

int32_t BrowserGrid::keyScroll(ScrollKey key) const {
    if (!scrollvisible)
        return firstrow;
    switch (key) {
        case ScrollKey::PageUp:
            return clampValue(int64_t{firstrow} - 1);
        case ScrollKey::PageDown:
            return clampValue(int64_t{firstrow} + 1);
        case ScrollKey::Home:
            return 1;
        case ScrollKey::End:
            return scrollmaximum;
    }
    return firstrow;
}

int wheelNotches(int angleDelta) {
    return static_cast<int>(std::lrint(static_cast<double>(angleDelta) / 120.0));
}

}  // namespace kadrel
