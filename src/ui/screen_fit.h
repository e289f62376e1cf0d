// Keeps windows on the screen: a stored position from another display setup, a size stored
// before the display scaling changed, or a window docked beside another near the edge would
// otherwise open where the user cannot reach it.
#pragma once

#include <QRect>

class QWidget;

namespace kadrel {

/// rect shrunk to at most the size of area, then moved the least distance to lie inside it.
QRect fitRect(const QRect& rect, const QRect& area);

/// The available area (without panels) of the screen that holds the largest part of frame;
/// the screen of window when frame lies on none.
QRect availableAreaFor(const QRect& frame, const QWidget& window);

/// Moves the top-level window, and shrinks it when needed, so that its frame lies wholly on
/// the screen it is on.
void keepOnScreen(QWidget& window);

}  // namespace kadrel
