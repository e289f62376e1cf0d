// The browser's thumbnails as a list view in icon mode: rows of frames that scroll a row at a
// time, and the mouse and keys that choose files. What a press or a key means for the choice
// is left to the browser, which holds the selection rules.
#pragma once

#include <QListView>

namespace kadrel {

/// Keys that move the page.
enum class ScrollKey { PageUp, PageDown, Home, End };

class ThumbnailView : public QListView {
    Q_OBJECT
  public:
    explicit ThumbnailView(QWidget* parent = nullptr);

    /// Cells of size (the frame and its caption).
    void setCellSize(QSize cell);
    /// The first and last rows the viewport shows, at least in part; -1, -2 when none.
    std::pair<int, int> shownRows() const;
    /// Scrolls for Page Up, Page Down, Home and End; false for any other key.
    bool scrollByKey(int key);
    /// Scrolls by rows of frames, forward (towards the end) for positive rows.
    void scrollRows(int rows);

  signals:
    /// The left button went down on row: k is 0 when it is the page's first thumbnail.
    void leftPressed(int row, int k, Qt::KeyboardModifiers modifiers);
    /// The right button went down on row at globalPos.
    void infoRequested(int row, QPoint globalPos);
    /// Space on the current row.
    void toggleRequested(int row);
    /// Shift and an arrow: every row from `from` to `to` is to be chosen.
    void rangeRequested(int from, int to);
    void selectAllRequested();
    void acceptRequested();
    /// Other rows are shown: after a scroll, a resize or a new size.
    void shownRowsChanged();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    bool moveCurrent(QKeyEvent* event);
    int rowHeight() const { return gridSize().height(); }
};

}  // namespace kadrel
