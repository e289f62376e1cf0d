#include "ui/browser/thumbnail_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <utility>

#include "ui/browser/display_size.h"

namespace kadrel {
namespace {

constexpr int kSpacing = 7;  // pixels between frames

}  // namespace

ThumbnailView::ThumbnailView(QWidget* parent) : QListView(parent) {
    setObjectName("thumbnailView");
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSpacing(0);
    setFocusPolicy(Qt::StrongFocus);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ThumbnailView::shownRowsChanged);
}

void ThumbnailView::setCellSize(QSize cell) {
    setGridSize(cell + QSize(kSpacing, kSpacing));
    verticalScrollBar()->setSingleStep(rowHeight());
    emit shownRowsChanged();
}

std::pair<int, int> ThumbnailView::shownRows() const {
    const int count = model() != nullptr ? model()->rowCount() : 0;
    const int height = viewport()->height();
    const auto rect = [this](int row) { return visualRect(model()->index(row, 0)); };
    // Frames are laid out row after row from the top: the first in sight is the first whose
    // bottom is below the viewport's top edge.
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (rect(middle).bottom() < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (low >= count || rect(low).top() >= height)
        return {-1, -2};
    int last = low;
    while (last + 1 < count && rect(last + 1).top() < height)
        ++last;
    return {low, last};
}

void ThumbnailView::scrollRows(int rows) {
    QScrollBar* bar = verticalScrollBar();
    // Whole rows: the page keeps starting with a full row of frames.
    const int top = bar->value() / std::max(rowHeight(), 1) + rows;
    bar->setValue(top * rowHeight());
}

bool ThumbnailView::scrollByKey(int key) {
    QScrollBar* bar = verticalScrollBar();
    switch (key) {
        case Qt::Key_PageUp:
            scrollRows(-1);
            return true;
        case Qt::Key_PageDown:
            scrollRows(1);
            return true;
        case Qt::Key_Home:
            bar->setValue(bar->minimum());
            return true;
        case Qt::Key_End:
            bar->setValue(bar->maximum());
            return true;
        default:
            return false;
    }
}

void ThumbnailView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    setFocus(Qt::MouseFocusReason);
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    if (event->button() == Qt::RightButton)
        emit infoRequested(index.row(), event->globalPosition().toPoint());
    else if (event->button() == Qt::LeftButton)
        emit leftPressed(index.row(), index.row() == shownRows().first ? 0 : 1, event->modifiers());
}

// A press chooses; dragging, releasing and double-clicking add nothing.
void ThumbnailView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void ThumbnailView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void ThumbnailView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

bool ThumbnailView::moveCurrent(QKeyEvent* event) {
    static constexpr std::pair<int, CursorAction> kArrows[] = {
        {Qt::Key_Left, MoveLeft}, {Qt::Key_Right, MoveRight}, {Qt::Key_Up, MoveUp}, {Qt::Key_Down, MoveDown}};
    for (const auto& [key, action] : kArrows) {
        if (event->key() != key)
            continue;
        const QModelIndex before = currentIndex();
        const QModelIndex after = moveCursor(action, Qt::NoModifier);
        if (!after.isValid())
            return true;
        setCurrentIndex(after);
        scrollTo(after);
        if (event->modifiers().testFlag(Qt::ShiftModifier))
            emit rangeRequested(before.isValid() ? before.row() : after.row(), after.row());
        return true;
    }
    return false;
}

void ThumbnailView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (moveCurrent(event) || scrollByKey(key)) {
    } else if (key == Qt::Key_Space && currentIndex().isValid()) {
        emit toggleRequested(currentIndex().row());
    } else if (event->matches(QKeySequence::SelectAll)) {
        emit selectAllRequested();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit acceptRequested();
    } else {
        event->ignore();  // Escape and the rest go to the window, which leaves them alone
        return;
    }
    event->accept();
}

void ThumbnailView::wheelEvent(QWheelEvent* event) {
    scrollRows(-wheelNotches(event->angleDelta().y()));
    event->accept();
}

void ThumbnailView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    emit shownRowsChanged();
}

// The current thumbnail's mark lies around its frame, beyond what the view repaints of an item.
void ThumbnailView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QListView::currentChanged(current, previous);
    viewport()->update();
}

// Called once the frames are laid out anew, when other rows may have come into sight.
void ThumbnailView::updateGeometries() {
    QListView::updateGeometries();
    verticalScrollBar()->setSingleStep(rowHeight());
    emit shownRowsChanged();
}

}  // namespace kadrel
