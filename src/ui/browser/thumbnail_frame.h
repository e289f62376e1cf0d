// One thumbnail of the browser's page: a checkable frame showing the picture, and the caption
// under it that keeps the file's name readable.
#pragma once

#include <QPoint>
#include <QToolButton>

class QLabel;

namespace kadrel {

/// The style sheet that draws the frames, plain and checked.
extern const char* const kThumbnailFrameStyle;

/// A thumbnail frame: a checkable button whose checked state only the browser changes.
class ThumbnailFrame : public QToolButton {
    Q_OBJECT
  public:
    /// Frame k of the page.
    ThumbnailFrame(int k, QWidget* parent);

  signals:
    /// A mouse button went down on the frame at pos (pixels within the frame).
    void framePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    int index_;
};

/// Shows text in caption at base, a pixel or two smaller (down to 7 pixels) when it is wider
/// than the caption, and right-aligned when it is still too wide, so the file's name shows.
void showFrameCaption(QLabel& caption, const QString& text, const QFont& base);

}  // namespace kadrel
