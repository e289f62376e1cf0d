// The thumbnail browser: a grid of thumbnail frames left of a fixed panel, scrolled row by row,
// in four display sizes; the user picks the files for the next copy run here.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <vector>

#include "settings/settings.h"
#include "ui/browser/browser_grid.h"
#include "ui/browser/file_info_dialog.h"
#include "ui/browser/thumbnail_store.h"

namespace kadrel {

/// A thumbnail frame: a checkable button whose checked state only the browser changes.
class ThumbnailFrame : public QToolButton {
    Q_OBJECT
  public:
    /// Frame k of the page.
    ThumbnailFrame(int k, QWidget* parent);
    int index;

  signals:
    /// A mouse button went down on the frame at pos (pixels within the frame).
    void framePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class ThumbnailBrowser : public QDialog {
    Q_OBJECT
  public:
    /// The browser over store; settings hold its position, size and display size (twips).
    ThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow);
    ~ThumbnailBrowser() override;

    /// Recomputes the grid for the window's size and places the scroll bar and panel.
    void resizeBrowser();
    /// Brings the frame instances to the visible count; reload rebuilds them all.
    void manageControls(bool reload = false);
    /// Places the frames of the page and their captions.
    void moveControls();
    /// Places the panel at the right edge and keeps the window from becoming too small.
    void arrangeControls();
    /// Shows the thumbnails, checked states and captions of count frames from firstrow.
    void fillImages(int32_t firstrow, int count);
    /// Ends the browser keeping the selection, as "Accept & Close" does.
    void closeKeepingSelection();

    /// Twips (1/1440 inch) in pixels of this screen, and back.
    int px(int twips) const;
    int twips(int pixels) const;

    const BrowserGrid& grid() const { return grid_; }
    /// Frames of the page, their captions, and the rest of the window, at their fixed places.
    std::vector<ThumbnailFrame*> Check1;
    std::vector<QLabel*> Label7;
    QScrollBar* VScroll1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    QComboBox* Combo1;
    QPushButton *Command1, *Command2, *Command3;
    QFrame* Frame1;
    QWidget* Picture1;
    FileInfoDialog* picinfo;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildPanel();
    void buildHintAndScrollBar();
    void buildTimers();
    void applyStoredGeometry();
    void storeGeometry();
    void syncScrollBar();
    void refresh(bool reload);
    void refreshChecks();
    void addFrame(int k, bool sized);
    void sizeFrame(int k);
    void onFramePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void onSizeChosen(int index);
    void onScroll(int value);
    void setScrollValue(int32_t value);
    /// Scrolls for Page Up, Page Down, Home and End; false for any other key.
    bool scrollByKey(int key);
    void growToShowAFrame();

    ThumbnailStore& store_;
    BrowserSettings& settings_;
    BrowserGrid grid_;
    QTimer Timer1, Timer2, Timer3;
    int loadedcount_ = 0;
    bool loading_ = false;
    bool keepSelection_ = false;
};

}  // namespace kadrel
