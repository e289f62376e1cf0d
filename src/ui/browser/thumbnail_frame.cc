#include "ui/browser/thumbnail_frame.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

namespace kadrel {

const char* const kThumbnailFrameStyle =
    "kadrel--ThumbnailFrame { border: 1px solid #9aa0a6; background: #eef0f2; padding: 0; }"
    "kadrel--ThumbnailFrame:checked { border: 3px solid #1b4aa0; background: #5b8fe0; }";

ThumbnailFrame::ThumbnailFrame(int k, QWidget* parent) : QToolButton(parent), index_(k) {
    setObjectName(QString("thumbnailFrame%1").arg(k));
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void ThumbnailFrame::mousePressEvent(QMouseEvent* event) {
    emit framePressed(index_, event->button(), event->modifiers(), event->position().toPoint());
    event->accept();
}

void ThumbnailFrame::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void ThumbnailFrame::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

// A name that is wider than its caption even alone is set a pixel or two smaller rather than
// cut: among hundreds of clips "OV001.MOD" would name no file at all.
void showFrameCaption(QLabel& caption, const QString& text, const QFont& base) {
    caption.setText(text);
    QFont font = base;
    const int width = caption.width();
    for (int pixels = QFontInfo(font).pixelSize();
         QFontMetrics(font).horizontalAdvance(text) > width && pixels > 7;)
        font.setPixelSize(--pixels);
    caption.setFont(font);
    caption.setAlignment(QFontMetrics(font).horizontalAdvance(text) > width ? Qt::AlignRight : Qt::AlignLeft);
}

}  // namespace kadrel
