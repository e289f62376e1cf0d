// Keeps the help window docked beside the main window when the main window moves.
#pragma once

#include <QRect>

class QWidget;

namespace kadrel {

/// Left edge of a window of helpWidth docked to mainFrame: at its right side while that side
/// stays more than margin pixels inside screenRight, else at its left side.
int dockedLeft(const QRect& mainFrame, int helpWidth, int screenRight, int margin);

/// Moves help to the side of main, top edges level (the screen of main decides the side).
void MoveHelpWindow(const QWidget& main, QWidget& help);

}  // namespace kadrel
