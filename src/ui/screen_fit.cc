#include "ui/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kadrel {

namespace {

int overlapArea(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : common.width() * common.height();
}

}  // namespace

QRect fitRect(const QRect& rect, const QRect& area) {
    QRect fitted(rect.topLeft(), rect.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() - fitted.height() + 1));
    return fitted;
}

QRect availableAreaFor(const QRect& frame, const QWidget& window) {
    const QScreen* best = window.screen();
    int bestOverlap = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const int overlap = overlapArea(frame, screen->geometry());
        if (overlap > bestOverlap) {
            best = screen;
            bestOverlap = overlap;
        }
    }
    if (best == nullptr)
        best = QGuiApplication::primaryScreen();
    return best != nullptr ? best->availableGeometry() : frame;
}

void keepOnScreen(QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect fitted = fitRect(frame, availableAreaFor(frame, window));
    if (fitted.size() != frame.size())
        window.resize(window.size() - (frame.size() - fitted.size()));
    // A fixed-size window cannot shrink: it then starts at the area's top-left edge.
    const QRect now(fitted.topLeft(), window.frameGeometry().size());
    window.move(fitRect(now, availableAreaFor(frame, window)).topLeft());
}

}  // namespace kadrel
