#include "ui/main/FormMoveEvent.h"

#include <QScreen>
#include <QWidget>

#include "ui/main/Twips.h"

namespace kadrel {

namespace {

/// Room kept at the screen's right edge, in twips.
constexpr int kDockMarginTwips = 100;

}  // namespace

int dockedLeft(const QRect& mainFrame, int helpWidth, int screenRight, int margin) {
    const int mainRight = mainFrame.x() + mainFrame.width();
    if (mainRight < screenRight - margin)
        return mainRight;
    return mainFrame.x() - helpWidth;
}

void MoveHelpWindow(const QWidget& main, QWidget& help) {
    const QScreen* screen = main.screen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const int margin = twipsToPixels(kDockMarginTwips, screen->logicalDotsPerInch());
    const QRect frame = main.frameGeometry();
    help.move(dockedLeft(frame, help.frameGeometry().width(), area.x() + area.width(), margin), frame.y());
}

}  // namespace kadrel
