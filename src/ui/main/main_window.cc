#include "ui/main/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include "app/run_ending.h"
#include "engine/copy/date_time_names.h"
#include "engine/copy/name_check.h"
#include "engine/copy/proven_delete.h"
#include "platform/signals.h"
#include "settings/settings_file.h"
#include "ui/browser/manual_selection.h"
#include "ui/dialogs/patch_mode_warning.h"
#include "ui/help_docking.h"
#include "ui/main/folder_chooser.h"
#include "ui/main/input_rules.h"
#include "ui/main/start_checks.h"
#include "ui/main/window_run.h"
#include "ui/screen_fit.h"

namespace kadrel {

namespace {

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

MainWindow::MainWindow(Settings& settings, RunControl& control, UiSeam& ui, QWidget* parent)
    : MainForm(parent),
      settings_(settings),
      control_(control),
      ui_(ui),
      chooser_(chooseFolder),
      opener_([](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }),
      runs_(
          worker_, ui, [this] { return controller_.activity() == Activity::ClosingAfterRun; },
          [this](const RunJob& job) { finishRun(job); }) {
    connectHandlers();
    connect(&worker_, &WorkThread::ended, this, &MainWindow::workEnded);  // for the tests
    render(controller_);
}

MainWindow::~MainWindow() = default;

void MainWindow::connectHandlers() {
    connect(startButton_, &QPushButton::clicked, this, &MainWindow::onStartClicked);
    connect(helpButton_, &QPushButton::clicked, this, &MainWindow::onHelpClicked);
    // Clicks, not toggles: which toggle is pressed is the controller's mode, drawn by render.
    connect(allFilesToggle_, &QPushButton::clicked, this, &MainWindow::onAllFilesClicked);
    connect(manualToggle_, &QPushButton::clicked, this, &MainWindow::onManualClicked);
    connect(overwriteBox_, &QCheckBox::toggled, this,
            [this](bool checked) { settings_.overwrite = checked; });
    connect(manifestBox_, &QCheckBox::toggled, this, [this](bool checked) { settings_.manifest = checked; });
    connect(setWideScreenBox_, &QCheckBox::toggled, this,
            [this](bool checked) { settings_.setWideScreen = checked; });
    connect(sourceFolderButton_, &QPushButton::clicked, this, &MainWindow::onChooseSourceClicked);
    connect(targetFolderButton_, &QPushButton::clicked, this, &MainWindow::onChooseTargetClicked);
    connect(statusArea_->openFolderButton(), &QPushButton::clicked, this,
            [this] { opener_(summaryFolder_); });
    connect(sourceFolderEdit_, &QLineEdit::textChanged, this, &MainWindow::onSourceEdited);
    connect(targetFolderEdit_, &QLineEdit::textChanged, this, &MainWindow::onTargetEdited);
    connect(searchExtEdit_, &QLineEdit::textChanged, this, &MainWindow::onSearchExtEdited);
    connect(renameExtEdit_, &QLineEdit::textChanged, this, &MainWindow::onRenameExtEdited);
    connect(userTextEdit_, &QLineEdit::textChanged, this, &MainWindow::onUserTextEdited);
    // A disabled "..." button must not change a folder behind a run's back.
    connect(new QShortcut(Qt::Key_F7, this), &QShortcut::activated, this, [this] {
        if (sourceFolderButton_->isEnabled())
            onChooseSourceClicked();
    });
    connect(new QShortcut(Qt::Key_F8, this), &QShortcut::activated, this, [this] {
        if (targetFolderButton_->isEnabled())
            onChooseTargetClicked();
    });
}

void MainWindow::loadSettings() {
    showStatus("");
    setWindowTitle(qtext(kadrel::windowTitle(KADREL_VERSION)));
    for (const std::string& error : kadrel::loadSettings(settings_))
        showError(ui_, error);
    applyLoadedSettings();
    const double dpi = screenDpi();
    move(twipsToPixels(settings_.xpos, dpi), twipsToPixels(settings_.ypos, dpi));
    keepOnScreen(*this);
    userTextEdit_->setText(qtext(settings_.userText));
    rebuildExample();
    helpVisible_ = false;
    render(controller_);
}

void MainWindow::applyLoadedSettings() {
    const std::string lastTarget = settings_.lastTargetDir;
    sourceFolderEdit_->setText(qtext(settings_.lastSourceDir));
    settings_.sourceDir = settings_.lastSourceDir;
    targetFolderEdit_->setText(qtext(lastTarget));
    settings_.targetDir = lastTarget;
    setWideScreenBox_->setChecked(settings_.setWideScreen);
    searchExtEdit_->setText(qtext(settings_.searchExt));
    renameExtEdit_->setText(qtext(settings_.renameExt));
    overwriteBox_->setChecked(settings_.overwrite);
    manifestBox_->setChecked(settings_.manifest);
}

void MainWindow::saveWindowSettings() {
    const bool minimised = isMinimized();
    if (!minimised) {
        const double dpi = screenDpi();
        settings_.xpos = pixelsToTwips(frameGeometry().x(), dpi);
        settings_.ypos = pixelsToTwips(frameGeometry().y(), dpi);
    }
    for (const std::string& error : saveMainSettings(settings_, minimised))
        showError(ui_, error);
    for (const std::string& error : saveBrowserSettings(settings_))
        showError(ui_, error);
    if (help_ != nullptr)
        help_->close();
    log_.closeDebugLog();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    switch (controller_.closeRequested()) {
        case CloseAction::CloseNow:
            control_.abortRequested = true;
            saveWindowSettings();
            event->accept();
            return;
        case CloseAction::AbortSearchAndWait:
            control_.abortRequested = true;
            break;
        case CloseAction::AbortRunAndWait:
            abortRun();
            break;
        case CloseAction::Wait:
            break;
    }
    render(controller_);
    event->ignore();
}

void MainWindow::onHelpClicked() {
    if (helpVisible_ && help_ != nullptr)
        return void(help_->close());
    if (help_ == nullptr)
        help_ = new HelpWindow(settings_, helpVisible_, this);
    help_->show();
    help_->raise();
    helpVisible_ = true;
    moveHelpWindow();
}

void MainWindow::moveHelpWindow() {
    if (helpVisible_ && help_ != nullptr)
        kadrel::moveHelpWindow(*this, *help_);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    moveHelpWindow();
}

void MainWindow::onAllFilesClicked() {
    controller_.allFilesClicked();
    render(controller_);
}

void MainWindow::onSourceEdited() {
    settings_.sourceDir = folderText(sourceFolderEdit_);
    settings_.lastSourceDir = settings_.sourceDir;
    if (controller_.sourceEdited(settings_.sourceDir))
        dropList();
    render(controller_);
}

void MainWindow::onTargetEdited() {
    settings_.targetDir = folderText(targetFolderEdit_);
    settings_.lastTargetDir = settings_.targetDir;
    rebuildExample();
    controller_.setSummary("");  // the byline comes back: it says whether the run will copy or patch
    render(controller_);
}

void MainWindow::onSearchExtEdited() {
    settings_.searchExt = text(searchExtEdit_);
    if (controller_.searchExtEdited(settings_.searchExt))
        dropList();
    render(controller_);
}

void MainWindow::dropList() {
    store_.fileList.clear();
    store_.fileCount = 0;
    store_.resizeAndClearSelection();
    store_.facts.clear();
}

void MainWindow::onRenameExtEdited() {
    settings_.renameExt = text(renameExtEdit_);
    controller_.renameExtEdited(settings_.renameExt);
    rebuildExample();
    render(controller_);
}

void MainWindow::onUserTextEdited() {
    settings_.userText = text(userTextEdit_);
    rebuildExample();
}

void MainWindow::rebuildExample() {
    exampleEdit_->setText(qtext(exampleText(settings_, text(renameExtEdit_))));
}

void MainWindow::onChooseSourceClicked() {
    chooseInto(sourceFolderEdit_, settings_.sourceDir, settings_.lastSourceDir, "select source directory:");
}

void MainWindow::onChooseTargetClicked() {
    chooseInto(targetFolderEdit_, settings_.targetDir, settings_.lastTargetDir, "select target directory:");
}

// A cancelled chooser keeps the last folder; the field's change handler takes it from there.
void MainWindow::chooseInto(QLineEdit* field, std::string& folder, std::string& last, const char* title) {
    folder = chooser_(this, last, title);
    if (folder.empty())
        folder = last;
    if (platform::isDirectory(folder))
        last = folder;
    field->setText(qtext(folder));
}

// The characters are checked on every Start, also after a manual selection: a separator in
// a name would put the copy outside the target folder.
bool MainWindow::validateStart() {
    if (!checkNameField(searchExtEdit_, "Invalid character in file extension!", ui_) ||
        !checkNameField(renameExtEdit_, "Invalid character in file extension!", ui_) ||
        !checkNameField(userTextEdit_, "Invalid character in user text field!", ui_))
        return false;
    const std::string nameProblem = nameSettingsProblem(settings_, !settings_.targetDir.empty());
    if (!nameProblem.empty()) {
        kadrel::showError(ui_, nameProblem);
        return false;
    }
    if (store_.selectedCount != 0)
        return true;
    if (!checkFolders())
        return false;
    storeFolders();
    return true;
}

bool MainWindow::checkFolders() {
    return checkSourceFolder(sourceFolderEdit_, ui_) && checkTargetFolder(targetFolderEdit_, ui_);
}

void MainWindow::storeFolders() {
    settings_.sourceDir = folderText(sourceFolderEdit_);
    settings_.lastSourceDir = settings_.sourceDir;
    settings_.targetDir = folderText(targetFolderEdit_);
    settings_.lastTargetDir = settings_.targetDir;
}

// ---- the copy run ----

void MainWindow::onStartClicked() {
    switch (controller_.startClicked()) {
        case StartAction::StartRun:
            startRun();
            break;
        case StartAction::AbortSearch:
            control_.abortRequested = true;
            break;
        case StartAction::AbortRun:
            abortRun();
            break;
        case StartAction::None:
            break;
    }
    render(controller_);
}

void MainWindow::startRun() {
    if (!setWideScreenBox_->isEnabled())
        settings_.setWideScreen = false;
    if (!validateStart() || !confirmExtensions(settings_.searchExt, text(renameExtEdit_), ui_))
        return;
    if (settings_.targetDir.empty() && !PatchModeWarning::ask(control_))
        return;
    runCopy();
    settings_.setWideScreen = setWideScreenBox_->isChecked();
}

// The run stops after the file in progress; the controls come back only once it has wound
// down, so that nothing can be started or changed behind a cancelled copy.
void MainWindow::abortRun() {
    control_.copyCancel = 1;
    control_.running = false;
    settings_.setWideScreen = setWideScreenBox_->isChecked();
}

void MainWindow::runCopy() {
    WindowRun run{settings_.sourceDir,
                  settings_.targetDir,
                  controller_.mode() == CopyMode::AllFiles,
                  settings_.setWideScreen,
                  {}};
    if (!run.allFiles && collectSelectedFiles(store_, run.picked) < 1)
        return showError(ui_, "No files are selected!");
    control_.copyCancel = 0;
    control_.running = true;
    controller_.runStarted();
    startProgressDisplay();
    render(controller_);
    if (settings_.debugMode)
        openRunLog(settings_, log_);
    auto job = std::make_shared<RunJob>(settings_, control_, log_, std::move(run));
    job->ctx.canAsk = ui_.canAsk();
    job->ctx.progress = progressOn(this, ui_);
    job->faults = faults_;
    runs_.start(job);
}

void MainWindow::finishRun(const RunJob& job) {
    if (settings_.debugMode)
        log_.closeDebugLog();
    control_.running = false;
    endProgressDisplay();
    const bool close = controller_.runEnded();
    summaryFolder_ = qtext(summaryFolder(job.run));
    controller_.setSummary(windowSummary(job.result, job.run));
    render(controller_);
    startButton_->setFocus();
    QApplication::alert(this);
    if (close)
        QTimer::singleShot(0, this, &QWidget::close);
    // A termination signal stopped the run as Abort does; the program now ends as it was asked.
    if (const int signal = platform::lastCaughtSignal())
        QCoreApplication::exit(128 + signal);
}

// ---- the manual selection ----

void MainWindow::onManualClicked() {
    if (controller_.activity() == Activity::Idle && checkFolders()) {
        storeFolders();
        runManualSelection();
    }
    render(controller_);
}

void MainWindow::runManualSelection() {
    controller_.searchStarted();
    render(controller_);
    startSelectionSearch(worker_, settings_, control_.abortRequested,
                         [this](SearchJob& job) { searchJobEnded(job); });
}

void MainWindow::searchJobEnded(SearchJob& job) {
    store_.fileList = std::move(job.found.fileList);
    store_.fileCount = job.found.fileCount;
    search_ = std::move(job.search);
    if (store_.fileCount == 0)
        store_.resizeAndClearSelection();
    const bool aborted = control_.abortRequested;
    control_.abortRequested = false;
    const StepEnd searched = controller_.searchEnded(aborted, store_.fileCount);
    if (searched != StepEnd::Close)
        reportSearchEnd(search_, store_.fileCount, aborted, settings_.searchExt, ui_);
    if (!goesOn(searched))
        return;
    // The browser makes the thumbnails itself once it is open, the page in sight first.
    prepareSelection(store_, text(searchExtEdit_), settings_.setWideScreen, settings_.useMoi);
    render(controller_);
    showThumbnailBrowser(store_, settings_.browser, this, &ui_);
    controller_.browserClosed(store_.selectedCount);
    render(controller_);
    startButton_->setFocus();
}

bool MainWindow::goesOn(StepEnd end) {
    if (end == StepEnd::Close)
        QTimer::singleShot(0, this, &QWidget::close);
    return end == StepEnd::GoOn;
}

}  // namespace kadrel
