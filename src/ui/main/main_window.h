// The program's window: shows what MainController says (modes, enabled controls, captions,
// status line) and forwards the user's clicks and edits to it; runs the search, thumbnails,
// browser and copy run that the controller's answers call for.
#pragma once

#include <QPointer>
#include <functional>
#include <string>

#include "engine/copy/file_search.h"
#include "engine/debug_log.h"
#include "engine/run_context.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/dialogs/help_window.h"
#include "ui/main/closing_seam.h"
#include "ui/main/main_controller.h"
#include "ui/main/main_form.h"

namespace kadrel {

class MainWindow : public MainForm {
    Q_OBJECT
  public:
    /// Picks a folder: (owner, folder shown first, title) -> chosen folder or "" on cancel.
    using FolderChooser = std::function<std::string(QWidget*, const std::string&, const QString&)>;
    /// Shows a folder in the desktop's file manager.
    using FolderOpener = std::function<void(const QString&)>;

    /// Builds the window; messages go through ui. Call loadSettings before showing it.
    MainWindow(Settings& settings, RunControl& control, UiSeam& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Reads Kadrel.ini and fills the fields, toggles and position.
    void loadSettings();
    /// Moves the open help window to this window's side.
    void moveHelpWindow();

    /// The files of the last manual selection and the choice made in the browser.
    const ThumbnailStore& store() const { return store_; }
    const MainController& controller() const { return controller_; }
    /// Replaces the folder chooser of the "..." buttons.
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    /// Replaces what the summary's "Open folder" button opens the folder with.
    void setFolderOpener(FolderOpener opener) { opener_ = std::move(opener); }
    /// The help window while it is open.
    HelpWindow* helpWindow() const { return help_; }

  public slots:
    void onStartClicked();
    void onHelpClicked();
    void onAllFilesClicked();
    /// Searches (again) and lets the user pick files in the browser.
    void onManualClicked();
    void onOverwriteToggled(bool checked);
    void onWideScreenToggled(bool checked);
    void onChooseSourceClicked();
    void onChooseTargetClicked();
    void onSourceEdited();
    void onTargetEdited();
    void onSearchExtEdited();
    void onRenameExtEdited();
    void onUserTextEdited();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void connectHandlers();
    /// Asks the folder chooser for field's folder, starting at last.
    void chooseInto(QLineEdit* field, std::string& folder, std::string& last, const char* title);
    void applyLoadedSettings();
    void saveWindowSettings();
    void rebuildExample();
    /// Forgets the list and the choice of the last manual selection.
    void dropList();

    bool validateStart();
    /// The source and target folders exist (an empty target is patch mode).
    bool checkFolders();
    void storeFolders();

    void startRun();
    void abortRun();
    void runCopy();
    void runManualSelection();
    /// Sorts the list and readies it for the browser; false when the flow stops here.
    bool makeThumbnails();
    /// Acts on how a step ended; true when the flow goes on.
    bool goesOn(StepEnd end);

    Settings& settings_;
    RunControl& control_;
    UiSeam& ui_;
    /// The runs' seam: ui_, quiet about a stopped run once the window is being closed.
    ClosingSeam runUi_;
    DebugLog log_;
    RunContext ctx_;
    FolderChooser chooser_;
    FolderOpener opener_;
    /// The folder the last run's files went to (the summary's button opens it).
    QString summaryFolder_;
    MainController controller_;
    bool helpVisible_ = false;
    /// The one list of the manual selection: the browser writes the choice into it and the
    /// Start flow copies from it.
    ThumbnailStore store_;
    SearchState search_;
    QPointer<HelpWindow> help_;
};

}  // namespace kadrel
