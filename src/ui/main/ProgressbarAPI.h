// The progress bar a run shows in the main window.
#pragma once

class QProgressBar;
class QWidget;

namespace kadrel {

/// A visible bar of range 0 to 100 on parent, white with a dark blue bar. Note the order:
/// height before width, all in pixels of parent's client area.
QProgressBar* CreateProgressBar(QWidget* parent, bool vertical, int left, int top, int height, int width);

}  // namespace kadrel
