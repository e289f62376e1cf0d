// The program's window: source and target folders, extensions and user text with a live
// example name, the 16:9 and overwrite options, the two mode toggles and the Start button,
// which turns into Abort while a run goes on.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/copy/file_search.h"
#include "engine/debug_log.h"
#include "engine/run_context.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/dialogs/help_window.h"
#include "ui/main/qt_ui_seam.h"
#include "ui/twips.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace kadrel {

class MainWindow : public QWidget, public ProgressView {
    Q_OBJECT
  public:
    /// Picks a folder: (owner, folder shown first, title) -> chosen folder or "" on cancel.
    using FolderChooser = std::function<std::string(QWidget*, const std::string&, const QString&)>;

    /// Builds the window; messages go through ui. Call loadSettings before showing it.
    MainWindow(Settings& settings, RunControl& control, UiSeam& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Reads Kadrel.ini and fills the fields, toggles and position.
    void loadSettings();
    /// Shows Msg in the status line, or the byline when Msg is empty.
    void showStatus(const QString& Msg);
    /// Switches the input controls off for a run and back to their previous state after it.
    void enablecontrols(bool onoff);
    /// The progress line and bar of the run in progress.
    void showRunProgress(const QString& text, int percent) override;
    /// Moves the open help window to this window's side.
    void moveHelpWindow();

    /// Number of files picked in the thumbnail browser.
    int32_t selectedcount() const { return store_.selectedcount; }
    /// The files of the last manual selection and the choice made in the browser.
    const ThumbnailStore& store() const { return store_; }
    /// Replaces the folder chooser of the "..." buttons.
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    /// The help window while it is open.
    HelpWindow* helpWindow() const { return help_; }
    /// 1 while the all-files mode is active.
    int16_t allfilesactive() const { return allfilesactive_; }
    /// 1 while the manual mode is active.
    int16_t manualactive() const { return manualactive_; }

  public slots:
    void btnStart_Click();
    void Command1_Click();
    void Check1_Click();
    /// The manual-selection toggle: guards and folder checks, then runManualSelection.
    void Check2_Click();
    void Check3_Click();
    void chkSetWS_Click();
    void btnSelSourcedir_Click();
    void btnSelTargetdir_Click();
    void lSourcedir_Change();
    void lTargetdir_Change();
    void txtSearch_Change();
    void txtRename_Change();
    void txtUserString_Change();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    template <class Widget>
    Widget* place(QWidget* parent, const char* name, int left, int top, int width, int height);
    QLineEdit* addTextBox(QWidget* parent, const char* name, int left, int top, int width, int height);
    void createFolderControls();
    void createRenameFrame();
    void createCopyControls();
    void createStatusControls();
    void setCaptions();
    void setTooltips();
    void setTabOrder();
    void connectHandlers();
    void applyLoadedSettings();
    void saveWindowSettings();

    void rebuildExample();
    bool validateStart();
    /// Asks before pictures get a clip's extension or clips a picture's; true to go on.
    bool confirmExtensions();
    /// Forgets the list and the choice of the last manual selection.
    void dropSelection();
    bool checkField(QLineEdit* field, const char* headline);
    bool checkSourceFolder(bool fromToggle);
    bool checkTargetFolder(bool fromToggle);
    void releaseCheck2();
    void storeFolders();
    void showPathNotFound(const std::string& text);
    bool requestAbort();
    void runCopy();
    void copySelection(const std::string& target);
    void setUpRun();
    void tearDownRun();
    /// Search, sort, thumbnails and browser; false when the flow stopped before the browser.
    bool runManualSelection();
    /// The manual mode pressed, the all-files mode released.
    void enterManualMode();
    /// Fills the store from the source tree; false when the search was aborted.
    bool searchSelection();
    /// Sorts the list and makes its thumbnails; false on abort or when they could not be made.
    bool makeThumbnails();
    /// The progress line in place of the status line.
    void startThumbnailDisplay();
    /// Takes the progress line and bar away again; Start stays off until the flow ends.
    void endThumbnailDisplay();
    /// Closes the window once a run stopped by its close box has wound down.
    void closeIfRequested();
    /// The progress bar of a run at its fixed place.
    QProgressBar* createRunProgressBar();
    void onFocusIn(QLineEdit* field);

    Settings& settings_;
    RunControl& control_;
    UiSeam& ui_;
    DebugLog log_;
    RunContext ctx_;
    TwipsLayout layout_;
    FolderChooser chooser_;

    int16_t allfilesactive_ = 0;
    int16_t manualactive_ = 0;
    int16_t ignorecheck2click_ = 0;
    bool searching_ = false;
    bool makingthumbnails_ = false;
    bool helpvisible_ = false;
    bool wsboxwasoff_ = false;
    bool manualboxwasoff_ = false;
    bool inRun_ = false;          ///< between the set-up and the tear-down of a copy run
    bool closeAfterRun_ = false;  ///< the window was closed during a run
    /// The one list of the manual selection: the browser writes the choice into it and the
    /// Start flow copies from it.
    ThumbnailStore store_;
    SearchState search_;
    QPointer<HelpWindow> help_;
    QPointer<QProgressBar> progressbar_;

    QPushButton* btnStart = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* lSourcedir = nullptr;
    QPushButton* btnSelSourcedir = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* lTargetdir = nullptr;
    QPushButton* btnSelTargetdir = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtSearch = nullptr;
    QLineEdit* txtRename = nullptr;
    QLineEdit* txtUserString = nullptr;
    QLineEdit* txtExample = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QCheckBox* chkSetWS = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* Check1 = nullptr;
    QPushButton* Check2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Picture1 = nullptr;
    QCheckBox* Check3 = nullptr;
};

}  // namespace kadrel
