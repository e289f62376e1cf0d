// Draws one thumbnail of the browser's view: the frame (raised, or pressed in when the file is
// chosen), the picture or the placeholder in it, the keyboard's current thumbnail, and the
// caption under it: the shortened path and, at the larger sizes, when the clip was recorded.
#pragma once

#include <QImage>
#include <QSize>
#include <QStyledItemDelegate>

namespace kadrel {

/// The caption's first line: the path shortened to width pixels, the folders first, the
/// file name kept whole unless it alone is too wide.
QString captionPath(const QString& path, int width, const QFontMetrics& metrics);

class ThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit ThumbnailDelegate(QObject* parent = nullptr);

    /// Frames of frame size holding pictures of picture size; secondLine adds the time.
    void setSizes(QSize frame, QSize picture, bool secondLine);
    QSize frameSize() const { return frame_; }
    /// A frame and its caption in the font of metrics.
    QSize cellSize(const QFontMetrics& metrics) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    void paintFrame(QPainter* painter, const QStyleOptionViewItem& option, const QRect& frame,
                    bool chosen) const;
    void paintCaption(QPainter* painter, const QStyleOptionViewItem& option, const QRect& below,
                      const QModelIndex& index) const;

    QSize frame_;
    QSize picture_;
    bool secondLine_ = false;
    mutable QImage placeholder_;
};

}  // namespace kadrel
