// The thumbnail browser: a grid of thumbnail frames left of a fixed panel, scrolled row by row,
// in four display sizes; the user picks the files for the next copy run here.
#pragma once

#include <QDialog>
#include <QTimer>
#include <vector>

#include "settings/settings.h"
#include "ui/browser/browser_grid.h"
#include "ui/browser/file_info_dialog.h"
#include "ui/browser/thumbnail_frame.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/twips.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

namespace kadrel {

class ThumbnailBrowser : public QDialog {
    Q_OBJECT
  public:
    /// The browser over store; settings hold its position, size and display size (twips).
    ThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow);

    /// Ends the browser keeping the selection, as "Accept & Close" does.
    void closeKeepingSelection();

    const BrowserGrid& grid() const { return grid_; }
    /// The frames of the page (frame 0 always exists, hidden when the page is empty).
    const std::vector<ThumbnailFrame*>& thumbnailFrames() const { return thumbnailFrames_; }
    /// The captions under the frames.
    const std::vector<QLabel*>& frameCaptions() const { return frameCaptions_; }
    /// The file information window the right mouse button opens.
    FileInfoDialog* fileInfoDialog() const { return fileInfoDialog_; }
    /// Puts the page's thumbnails and captions into its frames again.
    void fillFrames();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    int px(int twips) const { return twipsToPixels(twips, logicalDpiX()); }
    void buildPanel();
    void buildCounts();
    void buildHintAndScrollBar();
    void buildTimers();
    void layOutGrid();
    void placePanel();
    void syncScrollBar();
    void makeFramesForPage(bool reload);
    void placeFrames();
    void refresh(bool reload);
    void refreshChecks();
    void addFrame(int k);
    void sizeFrame(int k);
    void onFramePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void onSelectAllClicked();
    void onUnselectAllClicked();
    void onSizeChosen(int index);
    void onScroll(int value);
    void setScrollValue(int32_t value);
    /// Scrolls for Page Up, Page Down, Home and End; false for any other key.
    bool scrollByKey(int key);
    void growToShowAFrame();

    ThumbnailStore& store_;
    BrowserSettings& settings_;
    BrowserGrid grid_;
    std::vector<ThumbnailFrame*> thumbnailFrames_;
    std::vector<QLabel*> frameCaptions_;
    QScrollBar* rowScrollBar_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QComboBox* sizeCombo_ = nullptr;
    QPushButton* selectAllButton_ = nullptr;
    QPushButton* unselectAllButton_ = nullptr;
    QFrame* countsFrame_ = nullptr;
    QLabel* fileCountLabel_ = nullptr;
    QLabel* selectedCountLabel_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    /// Holds the keyboard focus for the thumbnail area, out of sight.
    QWidget* thumbnailFocus_ = nullptr;
    FileInfoDialog* fileInfoDialog_ = nullptr;
    QTimer resizeTimer_, scrollTimer_, reloadTimer_;
    int loadedCount_ = 0;
    bool loading_ = false;
    bool keepSelection_ = false;
};

}  // namespace kadrel
