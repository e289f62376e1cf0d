// The program's window: shows what MainController says (modes, enabled controls, captions,
// status line) and forwards the user's clicks and edits to it; runs the search, thumbnails,
// browser and copy run that the controller's answers call for.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "engine/copy/file_search.h"
#include "engine/debug_log.h"
#include "engine/run_context.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/dialogs/help_window.h"
#include "ui/main/main_controller.h"
#include "ui/main/main_form.h"
#include "ui/main/run_sequence.h"
#include "ui/main/selection_search.h"
#include "ui/main/window_run.h"
#include "ui/main/work_thread.h"

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
    /// A file-system seam for the copy runs (tests); null in the program.
    void setFileFaults(platform::FileFaults* faults) { faults_ = faults; }
    /// True while a search, run or delete is on the worker thread.
    bool busy() const { return worker_.busy(); }

  signals:
    /// A search, run or delete on the worker thread has ended and the window has taken its result.
    void workEnded();

  public slots:
    void onStartClicked();
    void onHelpClicked();
    void onAllFilesClicked();
    /// Searches (again) and lets the user pick files in the browser.
    void onManualClicked();
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
    void finishRun(const RunJob& job);
    void runManualSelection();
    void searchJobEnded(SearchJob& job);
    /// Acts on how a step ended; true when the flow goes on.
    bool goesOn(StepEnd end);

    Settings& settings_;
    RunControl& control_;
    UiSeam& ui_;
    DebugLog log_;
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
    platform::FileFaults* faults_ = nullptr;
    /// Last, so that they are destroyed first: the worker waits for work that uses the members
    /// above.
    WorkThread worker_;
    RunSequence runs_;
};

}  // namespace kadrel
