#include "ui/help_docking.h"

#include <QScreen>
#include <QWidget>

#include "ui/screen_fit.h"
#include "ui/twips.h"

namespace kadrel {

namespace {

/// Room kept at the screen's right edge, in twips.
constexpr int kDockMarginTwips = 100;

}  // namespace

int dockedLeft(const QRect& mainFrame, int helpWidth, const QRect& area, int margin) {
    const int mainRight = mainFrame.x() + mainFrame.width();
    const int areaRight = area.x() + area.width();
    const bool rightAllowed = mainRight < areaRight - margin;
    if (rightAllowed && mainRight + helpWidth <= areaRight)
        return mainRight;
    const int left = mainFrame.x() - helpWidth;
    if (left >= area.x())
        return left;
    const bool moreRoomRight = areaRight - mainRight > mainFrame.x() - area.x();
    return rightAllowed && moreRoomRight ? mainRight : left;
}

void moveHelpWindow(const QWidget& main, QWidget& help) {
    const QScreen* screen = main.screen();
    if (screen == nullptr)
        return;
    const QRect frame = main.frameGeometry();
    const QRect area = availableAreaFor(frame, main);
    const int margin = twipsToPixels(kDockMarginTwips, screen->logicalDotsPerInch());
    const QRect helpFrame = help.frameGeometry();
    const QRect docked(dockedLeft(frame, helpFrame.width(), area, margin), frame.y(), helpFrame.width(),
                       helpFrame.height());
    help.move(fitRect(docked, area).topLeft());
}

}  // namespace kadrel
