#include "ui/browser/thumbnail_delegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "ui/browser/thumbnail_model.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/compact_path.h"

namespace kadrel {
namespace {

constexpr int kCaptionGap = 2;  // pixels between the frame and its caption
constexpr int kBorder = 3;      // the frame's raised or pressed edge
constexpr int kMark = 2;        // room around the frame for the current thumbnail's mark
constexpr char kTypicalName[] = "MOV00A.MOD";

}  // namespace

QString captionPath(const QString& path, int width, const QFontMetrics& metrics) {
    const QString shortened = compactPathToWidth(path, width, metrics);
    return metrics.horizontalAdvance(shortened) <= width
               ? shortened
               : metrics.elidedText(shortened, Qt::ElideMiddle, width);
}

ThumbnailDelegate::ThumbnailDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void ThumbnailDelegate::setSizes(QSize frame, QSize picture, bool secondLine) {
    frame_ = frame;
    picture_ = picture;
    secondLine_ = secondLine;
    placeholder_ = QImage();
}

QSize ThumbnailDelegate::cellSize(const QFontMetrics& metrics) const {
    const int lines = secondLine_ ? 2 : 1;
    // A camcorder's file name always fits, even under the smallest frames.
    const int width = std::max(frame_.width() + 2 * kMark, metrics.horizontalAdvance(kTypicalName) + 4);
    return {width, kMark + frame_.height() + kCaptionGap + lines * metrics.height()};
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return cellSize(option.fontMetrics);
}

void ThumbnailDelegate::paintFrame(QPainter* painter, const QStyleOptionViewItem& option, const QRect& frame,
                                   bool chosen) const {
    const QPalette& palette = option.palette;
    painter->fillRect(frame, chosen ? palette.highlight().color().lighter(160) : palette.button().color());
    const QColor light = chosen ? palette.dark().color() : palette.light().color();
    const QColor dark = chosen ? palette.light().color() : palette.dark().color();
    for (int i = 0; i < kBorder; ++i) {
        const QRect edge = frame.adjusted(i, i, -i - 1, -i - 1);
        painter->setPen(light);
        painter->drawLine(edge.topLeft(), edge.topRight());
        painter->drawLine(edge.topLeft(), edge.bottomLeft());
        painter->setPen(dark);
        painter->drawLine(edge.bottomLeft(), edge.bottomRight());
        painter->drawLine(edge.topRight(), edge.bottomRight());
    }
    if (chosen) {  // the pressed look alone is easy to miss on a light picture
        painter->setPen(QPen(palette.highlight().color(), 2));
        painter->drawRect(frame.adjusted(1, 1, -1, -1));
    }
}

void ThumbnailDelegate::paintCaption(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QRect& below, const QModelIndex& index) const {
    const QFontMetrics& metrics = option.fontMetrics;
    const int width = below.width();
    painter->setPen(option.palette.text().color());
    QRect line(below.left(), below.top(), width, metrics.height());
    painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                      captionPath(index.data(Qt::DisplayRole).toString(), width, metrics));
    const QString time = index.data(ThumbnailModel::TimeRole).toString();
    if (secondLine_ && !time.isEmpty()) {
        line.translate(0, metrics.height());
        painter->setPen(option.palette.placeholderText().color());
        painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                          metrics.elidedText(time, Qt::ElideRight, width));
    }
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    const QRect cell = option.rect;
    const QRect frame(cell.left() + (cell.width() - frame_.width()) / 2, cell.top() + kMark, frame_.width(),
                      frame_.height());
    paintFrame(painter, option, frame, index.data(ThumbnailModel::SelectedRole).toBool());
    QImage picture = index.data(ThumbnailModel::ThumbnailRole).value<QImage>();
    if (picture.isNull()) {
        if (placeholder_.isNull()) {
            const qreal ratio = painter->device()->devicePixelRatioF();
            placeholder_ = placeholderPicture().scaled(picture_ * ratio, Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation);
            placeholder_.setDevicePixelRatio(ratio);
        }
        picture = placeholder_;
    }
    QRect target(QPoint(), picture_);
    target.moveCenter(frame.center());
    painter->drawImage(target, picture);
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view != nullptr && view->currentIndex() == index) {  // where the keys act, focused or not
        painter->setPen(QPen(option.palette.highlight().color(), 2, Qt::DashLine));
        painter->drawRect(frame.adjusted(-kMark, -kMark, kMark - 1, kMark - 1));
    }
    paintCaption(
        painter, option,
        QRect(cell.left(), frame.bottom() + 1 + kCaptionGap, cell.width(), cell.bottom() - frame.bottom()),
        index);
    painter->restore();
}

}  // namespace kadrel
