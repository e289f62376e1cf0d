// Keeps the help window docked beside the main window when the main window moves.
#pragma once

#include <QRect>

class QWidget;

namespace kadrel {

/// Left edge of a window of helpWidth docked to mainFrame within area: at its right side when
/// that side stays more than margin pixels inside the area and the window fits there, else at
/// its left side when it fits there; when it fits on neither side, the side with more room.
int dockedLeft(const QRect& mainFrame, int helpWidth, const QRect& area, int margin);

/// Moves help to the side of main, top edges level, wholly on the screen main is on.
void moveHelpWindow(const QWidget& main, QWidget& help);

}  // namespace kadrel
