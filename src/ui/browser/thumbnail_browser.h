// The thumbnail browser: the found files as thumbnails left of a panel with the display size,
// the choice buttons and the counts. It opens at once; the thumbnails fill in as they are
// made, the page in sight first. The user picks the files for the next copy run here.
#pragma once

#include <QDialog>
#include <QTimer>

#include "app/ui_seam.h"
#include "settings/settings.h"
#include "ui/browser/file_info_dialog.h"
#include "ui/browser/thumbnail_delegate.h"
#include "ui/browser/thumbnail_maker.h"
#include "ui/browser/thumbnail_model.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/browser/thumbnail_view.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kadrel {

/// Where and how the browser's thumbnails are made; tests give their own.
struct ThumbnailSource {
    ClipGrabber grab = decodingGrabber();
    QString cacheFolder = ThumbnailCache::defaultFolder();
    int workers = thumbnailWorkers();
};

class ThumbnailBrowser : public QDialog {
    Q_OBJECT
  public:
    /// The browser over store; settings hold its position, size and display size; ui tells
    /// that the decoder cannot be used (nothing is told without one).
    ThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow,
                     UiSeam* ui = nullptr, ThumbnailSource source = {});

    /// Ends the browser keeping the selection, as "Accept & Close" does.
    void closeKeepingSelection();

    ThumbnailView* view() const { return view_; }
    ThumbnailModel* model() const { return model_; }
    /// The file information window the right mouse button opens.
    FileInfoDialog* fileInfoDialog() const { return fileInfoDialog_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildPanel();
    QWidget* buildCounts();
    void connectView();
    void connectPanel();
    void applySize(int index);
    void showSelection();
    QSize availableScreenSize() const;
    int panelWidth() const;
    void onLeftPressed(int row, int k, Qt::KeyboardModifiers modifiers);
    void onInfoRequested(int row, QPoint globalPos);
    void onRange(int from, int to);
    void onDecoderUnusable();

    ThumbnailStore& store_;
    BrowserSettings& settings_;
    UiSeam* ui_;
    ThumbnailModel* model_ = nullptr;
    ThumbnailDelegate* delegate_ = nullptr;
    ThumbnailView* view_ = nullptr;
    QComboBox* sizeCombo_ = nullptr;
    QPushButton* selectAllButton_ = nullptr;
    QPushButton* unselectAllButton_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
    QLabel* fileCountLabel_ = nullptr;
    QLabel* selectedCountLabel_ = nullptr;
    FileInfoDialog* fileInfoDialog_ = nullptr;
    QTimer shownRowsTimer_;
    bool loading_ = true;
    bool keepSelection_ = false;
};

}  // namespace kadrel
