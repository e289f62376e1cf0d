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
    sizeIndex = displaySizeIndex(index);
    const DisplaySize& size = kDisplaySizes[sizeIndex];
    frameHeight = size.frameHeight;
    frameWidth = wide ? size.frameWidth169 : size.frameWidth43;
    pictureHeight = size.pictureHeight;
    pictureWidth = wide ? size.pictureWidth169 : size.pictureWidth43;
    captionWidth = size.captionWidth;
}

void BrowserGrid::resizeBrowser(int clientWidth, int clientHeight, int32_t fileCount) {
    // The client area excludes the title bar, so the scroll bar takes its full height.
    scrollHeight = std::max(clientHeight, kMinClientHeight);
    scrollLeft = std::max(clientWidth, kPanelWidth) - kScrollWidth - kPanelWidth;
    columns = std::max(0, (scrollLeft - kLeftMargin) / (kHorizontalGap + frameWidth));
    rows = std::max(0, (scrollHeight - kTopMargin) / (kVerticalGap + frameHeight));
    if (scrollLeft < kLeftMargin)
        columns = 0;
    if (columns < 1 || rows < 1 || fileCount < 1) {
        pages = 0;
        lastFirstRow = 1;
    } else {
        pages = ceilDiv(fileCount, rows * columns);
        lastFirstRow = std::max(1, ceilDiv(fileCount, columns) - rows + 1);
    }
    firstRow = std::clamp(firstRow, int32_t{1}, lastFirstRow);
    slotsPerPage = columns * rows;
    blanksAtEnd = slotsPerPage > 0 ? (lastFirstRow - 1) * columns + slotsPerPage - fileCount : 0;
    blanksAtEnd = std::max(0, blanksAtEnd);
    visibleCount = firstRow != lastFirstRow ? slotsPerPage : slotsPerPage - blanksAtEnd;
    largeChange = rows > 0 ? rows : 1;
    scrollVisible = pages > 1;
    scrollMaximum = lastFirstRow;
}

void BrowserGrid::clientSizeForOneFrame(int& clientWidth, int& clientHeight) const {
    clientWidth = kLeftMargin + kHorizontalGap + frameWidth + kScrollWidth + kPanelWidth;
    clientHeight = std::max(kTopMargin + kVerticalGap + frameHeight, kMinClientHeight);
}

void BrowserGrid::scrollTo(int32_t value) {
    firstRow = std::clamp(value, int32_t{1}, lastFirstRow);
    visibleCount = firstRow != lastFirstRow ? slotsPerPage : slotsPerPage - blanksAtEnd;
}

void BrowserGrid::framePosition(int k, int& left, int& top) const {
    const int c = columns > 0 ? k % columns : 0;
    const int r = columns > 0 ? k / columns : 0;
    top = kTopMargin + r * (kVerticalGap + frameHeight);
    left = kLeftMargin + c * (kHorizontalGap + frameWidth);
}

int32_t BrowserGrid::clampValue(int64_t value) const {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 1, scrollMaximum));
}

int32_t BrowserGrid::wheelScroll(int notches) const {
    if (!scrollVisible)
        return firstRow;
    return clampValue(int64_t{firstRow} - notches);
}

int32_t BrowserGrid::keyScroll(ScrollKey key) const {
    if (!scrollVisible)
        return firstRow;
    switch (key) {
        case ScrollKey::PageUp:
            return clampValue(int64_t{firstRow} - 1);
        case ScrollKey::PageDown:
            return clampValue(int64_t{firstRow} + 1);
        case ScrollKey::Home:
            return 1;
        case ScrollKey::End:
            return scrollMaximum;
    }
    return firstRow;
}

int wheelNotches(int angleDelta) {
    return static_cast<int>(std::lrint(static_cast<double>(angleDelta) / 120.0));
}

}  // namespace kadrel
