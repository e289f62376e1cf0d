#include "ui/main/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

#include "engine/copy/copy_run.h"
#include "engine/copy/date_time_names.h"
#include "engine/copy/file_search.h"
#include "engine/copy/name_check.h"
#include "platform/signals.h"
#include "settings/settings_file.h"
#include "ui/browser/manual_selection.h"
#include "ui/compact_path.h"
#include "ui/dialogs/help_window.h"
#include "ui/dialogs/patch_mode_warning.h"
#include "ui/help_docking.h"
#include "ui/main/folder_chooser.h"
#include "ui/main/input_rules.h"
#include "ui/main/program_icon.h"
#include "ui/screen_fit.h"

namespace kadrel {

namespace {

const char kByline[] = "clips to disk, named by date";
/// Width in pixels that paths are shortened to in messages.
constexpr int kMessagePathWidth = 200;

double screenDpi(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

/// A folder field's path, with "~" read as the home folder.
std::string folderText(const QLineEdit* field) {
    return expandHome(text(field), QDir::homePath().toStdString());
}

}  // namespace

MainWindow::MainWindow(Settings& settings, RunControl& control, UiSeam& ui, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      control_(control),
      ui_(ui),
      ctx_{settings, control, ui, log_},
      layout_(layoutPixelsPerTwip(QApplication::font(), screenDpi(this))),
      chooser_(chooseFolder) {
    setObjectName("MainWindow");
    setWindowIcon(programIcon());
    setFixedSize(layout_.px(3645), layout_.px(5205));
    createFolderControls();
    createRenameFrame();
    createCopyControls();
    createStatusControls();
    setCaptions();
    setTooltips();
    setTabOrder();
    connectHandlers();
}

MainWindow::~MainWindow() = default;

template <class Widget>
Widget* MainWindow::place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->setGeometry(layout_.px(left), layout_.px(top), layout_.px(width), layout_.px(height));
    return widget;
}

QLineEdit* MainWindow::addTextBox(QWidget* parent, const char* name, int left, int top, int width,
                                  int height) {
    auto* box = place<QLineEdit>(parent, name, left, top, width, height);
    box->installEventFilter(this);
    return box;
}

void MainWindow::createFolderControls() {
    btnStart = place<QPushButton>(this, "btnStart", 1087, 4665, 1470, 465);
    Command1 = place<QPushButton>(this, "Command1", 3180, 4740, 375, 330);
    Label1 = place<QLabel>(this, "Label1", 120, 120, 2775, 195);
    lSourcedir = addTextBox(this, "lSourcedir", 120, 360, 2775, 285);
    btnSelSourcedir = place<QPushButton>(this, "btnSelSourcedir", 2985, 330, 480, 315);
    Label2 = place<QLabel>(this, "Label2", 120, 720, 2775, 195);
    lTargetdir = addTextBox(this, "lTargetdir", 120, 945, 2775, 285);
    btnSelTargetdir = place<QPushButton>(this, "btnSelTargetdir", 2985, 945, 480, 315);
    Label1->setBuddy(lSourcedir);
    Label2->setBuddy(lTargetdir);
    btnStart->setDefault(true);
    // Enter on another button clicks that button; anywhere else it reaches btnStart.
    for (QPushButton* button : {Command1, btnSelSourcedir, btnSelTargetdir})
        button->setAutoDefault(true);
}

void MainWindow::createRenameFrame() {
    Frame2 = place<QGroupBox>(this, "Frame2", 75, 1290, 3510, 1290);
    Label5 = place<QLabel>(Frame2, "Label5", 120, 255, 825, 195);
    txtSearch = addTextBox(Frame2, "txtSearch", 945, 195, 600, 285);
    Label6 = place<QLabel>(Frame2, "Label6", 1590, 255, 1035, 195);
    txtRename = addTextBox(Frame2, "txtRename", 2625, 195, 600, 285);
    Label7 = place<QLabel>(Frame2, "Label7", 75, 645, 870, 195);
    txtUserString = addTextBox(Frame2, "txtUserString", 945, 615, 2295, 285);
    txtExample = place<QLineEdit>(Frame2, "txtExample", 90, 915, 3300, 330);
    txtExample->setReadOnly(true);
    // Only a display: taking the focus would leave its text selected during runs.
    txtExample->setFocusPolicy(Qt::NoFocus);
    QPalette grey = txtExample->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Button));
    txtExample->setPalette(grey);
    QFont small("Serif");
    small.setStyleHint(QFont::Serif);
    small.setPointSizeF(6.75);
    txtExample->setFont(small);
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MainWindow::createCopyControls() {
    chkSetWS = place<QCheckBox>(this, "chkSetWS", 660, 2655, 2325, 195);
    Frame1 = place<QGroupBox>(this, "Frame1", 75, 2865, 3495, 765);
    Check1 = place<QPushButton>(this, "Check1", 225, 3135, 1600, 390);
    Check2 = place<QPushButton>(this, "Check2", 1830, 3135, 1600, 390);
    for (QPushButton* toggle : {Check1, Check2}) {
        toggle->setCheckable(true);
        toggle->setAutoDefault(false);
        toggle->raise();
    }
    Check2->setEnabled(false);
    Check3 = place<QCheckBox>(this, "Check3", 300, 4305, 3045, 240);
}

void MainWindow::createStatusControls() {
    Label3 = place<QLabel>(this, "Label3", 600, 3825, 2445, 300);
    Label3->setAlignment(Qt::AlignCenter);
    Label4 = place<QLabel>(this, "Label4", 157, 3705, 3330, 195);
    Label4->hide();
    Picture1 = place<QLabel>(this, "Picture1", 3150, 3990, 465, 390);
    Picture1->hide();
}

void MainWindow::setCaptions() {
    btnStart->setText("&Start !");
    Command1->setText("&?");
    Label1->setText("S&ource directory:");
    btnSelSourcedir->setText("...");
    Label2->setText("&Target directory:");
    btnSelTargetdir->setText("...");
    Frame2->setTitle("rename");
    Label5->setText("search for .");
    Label6->setText(", rename to .");
    Label7->setText("added Text");
    txtExample->setText("Example:");
    chkSetWS->setText("set Wide-Screen Flag(16:9)");
    Frame1->setTitle("copy");
    Check1->setText("&All Files found");
    Check2->setText("&Manual Selection");
    Check3->setText("overwrite existing files without warning");
}

void MainWindow::setTooltips() {
    btnStart->setToolTip("Start copy process!");
    Command1->setToolTip("shows some help text");
    lSourcedir->setToolTip("Enter path of source folder here or press ... to open a browser");
    btnSelSourcedir->setToolTip("specify source directory(F7)");
    lTargetdir->setToolTip("Enter path of target folder here or press ... to open a browser");
    btnSelTargetdir->setToolTip("specify target directory(F8)");
    txtSearch->setToolTip("specify file extension for searching");
    txtRename->setToolTip("specify file extension for renaming");
    txtUserString->setToolTip("specify additional user text that will be added to the filename");
    chkSetWS->setToolTip("if checked then the 16:9 flag will be set in the final mpeg2 file");
    Check1->setToolTip("copy all files that were found");
    Check2->setToolTip("opens a Browser for manual selection");
    Check3->setToolTip(
        "if checked then Kadrel will overwrite existing files without warning. if unchecked then Kadrel will "
        "add a "
        "running number to the new filename in case it already exists and therefore no files will be "
        "overwritten. ");
}

void MainWindow::setTabOrder() {
    QWidget* const order[] = {btnStart,        Command1,  lSourcedir, btnSelSourcedir, lTargetdir,
                              btnSelTargetdir, txtSearch, txtRename,  txtUserString,   chkSetWS,
                              Check1,          Check2,    txtExample, Check3};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void MainWindow::connectHandlers() {
    connect(btnStart, &QPushButton::clicked, this, &MainWindow::btnStart_Click);
    connect(Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(Check1, &QPushButton::toggled, this, &MainWindow::Check1_Click);
    connect(Check2, &QPushButton::toggled, this, &MainWindow::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &MainWindow::Check3_Click);
    connect(chkSetWS, &QCheckBox::toggled, this, &MainWindow::chkSetWS_Click);
    connect(btnSelSourcedir, &QPushButton::clicked, this, &MainWindow::btnSelSourcedir_Click);
    connect(btnSelTargetdir, &QPushButton::clicked, this, &MainWindow::btnSelTargetdir_Click);
    connect(lSourcedir, &QLineEdit::textChanged, this, &MainWindow::lSourcedir_Change);
    connect(lTargetdir, &QLineEdit::textChanged, this, &MainWindow::lTargetdir_Change);
    connect(txtSearch, &QLineEdit::textChanged, this, &MainWindow::txtSearch_Change);
    connect(txtRename, &QLineEdit::textChanged, this, &MainWindow::txtRename_Change);
    connect(txtUserString, &QLineEdit::textChanged, this, &MainWindow::txtUserString_Change);
    // A disabled "..." button must not change a folder behind a run's back.
    connect(new QShortcut(Qt::Key_F7, this), &QShortcut::activated, this, [this] {
        if (btnSelSourcedir->isEnabled())
            btnSelSourcedir_Click();
    });
    connect(new QShortcut(Qt::Key_F8, this), &QShortcut::activated, this, [this] {
        if (btnSelTargetdir->isEnabled())
            btnSelTargetdir_Click();
    });
}

// ---- load and unload ----

void MainWindow::loadSettings() {
    showStatus("");
    setWindowTitle(QString::fromStdString(kadrel::windowTitle(KADREL_VERSION)));
    btnStart->setEnabled(false);
    Check2->setEnabled(false);
    chkSetWS->setChecked(false);
    Check1->setChecked(true);
    kadrel::loadSettings(settings_, ui_);
    applyLoadedSettings();
    const double dpi = screenDpi(this);
    move(twipsToPixels(settings_.xpos, dpi), twipsToPixels(settings_.ypos, dpi));
    keepOnScreen(*this);
    txtUserString->setText(QString::fromStdString(settings_.userText));
    rebuildExample();
    Check2->setText("&Manual Selection");
    helpvisible_ = false;
    loadPlaceholder(store_);
}

void MainWindow::applyLoadedSettings() {
    const std::string lastTarget = settings_.lastTargetDir;
    lSourcedir->setText(QString::fromStdString(settings_.lastSourceDir));
    settings_.sourceDir = settings_.lastSourceDir;
    lTargetdir->setText(QString::fromStdString(lastTarget));
    settings_.targetDir = lastTarget;
    if (settings_.setWideScreen)
        chkSetWS->setChecked(true);
    txtSearch->setText(QString::fromStdString(settings_.searchExt));
    txtRename->setText(QString::fromStdString(settings_.renameExt));
    settings_.dateFormatName = settings_.dateFormat;
    settings_.dateFormat = formatToPattern(settings_.dateFormatName);
    chkSetWS->setEnabled(isWideScreenExt(txtSearch->text()));
    Check2->setEnabled(!settings_.sourceDir.empty() && isManualSelectionExt(txtSearch->text()));
    Check3->setChecked(settings_.overwrite);
}

void MainWindow::saveWindowSettings() {
    control_.abortrequested = true;
    const bool minimised = isMinimized();
    if (!minimised) {
        const double dpi = screenDpi(this);
        settings_.xpos = pixelsToTwips(frameGeometry().x(), dpi);
        settings_.ypos = pixelsToTwips(frameGeometry().y(), dpi);
    }
    saveMainSettings(settings_, minimised);
    saveBrowserSettings(settings_);
    if (help_ != nullptr)
        help_->close();
    log_.closeDebugLog();
}

// A close during a run first stops the run as Abort does; the window closes (and the
// settings are written) once the run has wound down.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (inRun_ || searching_ || makingthumbnails_) {
        closeAfterRun_ = true;
        requestAbort();
        event->ignore();
        return;
    }
    saveWindowSettings();
    event->accept();
}

// ---- status, enabling, progress ----

void MainWindow::showStatus(const QString& Msg) {
    QFont font = Label3->font();
    const bool byline = Msg.isEmpty();
    font.setItalic(byline);
    font.setBold(byline);
    font.setPointSizeF(byline ? 10 : 8);
    Label3->setFont(font);
    Label3->setText(byline ? QString(kByline) : Msg);
    Label3->repaint();
}

void MainWindow::enablecontrols(bool onoff) {
    for (QWidget* control : {static_cast<QWidget*>(Check1), static_cast<QWidget*>(btnSelSourcedir),
                             static_cast<QWidget*>(btnSelTargetdir)})
        control->setEnabled(onoff);
    if (onoff) {
        if (!wsboxwasoff_)
            chkSetWS->setEnabled(true);
        else
            wsboxwasoff_ = false;
        if (!manualboxwasoff_)
            Check2->setEnabled(true);
        else
            manualboxwasoff_ = false;
    } else {
        if (chkSetWS->isEnabled())
            chkSetWS->setEnabled(false);
        else
            wsboxwasoff_ = true;
        if (Check2->isEnabled())
            Check2->setEnabled(false);
        else
            manualboxwasoff_ = true;
    }
    for (QWidget* control : {static_cast<QWidget*>(lSourcedir), static_cast<QWidget*>(lTargetdir),
                             static_cast<QWidget*>(txtSearch), static_cast<QWidget*>(txtRename),
                             static_cast<QWidget*>(txtUserString), static_cast<QWidget*>(Check3)})
        control->setEnabled(onoff);
}

void MainWindow::showRunProgress(const QString& text, int percent) {
    if (!text.isEmpty()) {
        Label4->setText(text);
        Label4->repaint();
    }
    if (progressbar_ != nullptr)
        progressbar_->setValue(std::clamp(percent, 0, 100));
}

// ---- help window ----

void MainWindow::Command1_Click() {
    if (help_ == nullptr)
        help_ = new HelpWindow(settings_, helpvisible_, this);
    help_->show();
    help_->raise();
    helpvisible_ = true;
    moveHelpWindow();
}

void MainWindow::moveHelpWindow() {
    if (helpvisible_ && help_ != nullptr)
        kadrel::moveHelpWindow(*this, *help_);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(*this);  // again, now that the window's frame counts
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    moveHelpWindow();
}

// ---- keys and focus ----

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && btnStart->isEnabled()) {
        btnStart->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field != nullptr && event->type() == QEvent::FocusIn)
        onFocusIn(field);
    if (field != nullptr && event->type() == QEvent::FocusOut && (field == txtSearch || field == txtRename))
        field->setCursorPosition(0);
    return QWidget::eventFilter(watched, event);
}

void MainWindow::onFocusIn(QLineEdit* field) {
    // Deferred: a mouse click places the caret after the focus arrives.
    QTimer::singleShot(0, field, [this, field] {
        if (!field->hasFocus() || field->text().isEmpty())
            return;
        if (field == lSourcedir || field == lTargetdir || !field->hasSelectedText())
            field->selectAll();
    });
}

// ---- toggles and check boxes ----

void MainWindow::Check1_Click() {
    if (allfilesactive_ == 1) {
        Check1->setChecked(true);
        return;
    }
    if (Check1->isChecked()) {
        allfilesactive_ = 1;
        manualactive_ = 0;
        Check2->setText("&Manual Selection");
        Check2->setChecked(false);
    }
    if (!settings_.sourceDir.empty() && !txtSearch->text().isEmpty() && !btnStart->isEnabled() &&
        Check1->isChecked())
        btnStart->setEnabled(true);
    if (!chkSetWS->isEnabled() && txtRename->text().isEmpty())
        btnStart->setEnabled(false);
}

void MainWindow::Check2_Click() {
    if (ignorecheck2click_ == 1) {
        ignorecheck2click_ = 0;
        return;
    }
    if (manualactive_ == 1 && !Check2->isChecked()) {
        // A click on the pressed toggle searches again: after nothing found, an abort or a
        // discarded browser this is the way on, without a detour through the other toggle.
        ignorecheck2click_ = 1;
        Check2->setChecked(true);
    } else if (allfilesactive_ == 1 && !Check2->isChecked()) {
        return;
    }
    if (!checkSourceFolder(true) || !checkTargetFolder(true))
        return;
    storeFolders();
    if (Check2->isChecked()) {
        if (!runManualSelection())
            return;
        btnStart->setText("&Start");
        showStatus("");
        enablecontrols(true);
    }
    btnStart->setEnabled(!(store_.selectedcount == 0 && Check2->isChecked()));
    if (!chkSetWS->isEnabled() && txtRename->text().isEmpty())
        btnStart->setEnabled(false);
}

bool MainWindow::runManualSelection() {
    enterManualMode();
    if (!searchSelection())
        return false;
    if (store_.filecount == 0) {
        showNoFilesMessage(settings_.searchExt, ui_);
        return true;
    }
    if (!makeThumbnails())
        return false;
    showThumbnailBrowser(store_, settings_.browser, this);
    Check2->setText(QString::fromStdString(selectedFilesCaption(store_.selectedcount)));
    return true;
}

void MainWindow::enterManualMode() {
    manualactive_ = 1;
    allfilesactive_ = 0;
    Check1->setChecked(false);
}

// The old choice is dropped whatever the search ends with: it indexed a list that the search
// has replaced, and a count left behind would let Start copy from the wrong list.
bool MainWindow::searchSelection() {
    Check2->setText("&Manual Selection");
    searching_ = true;
    enablecontrols(false);
    showStatus("searching for files...");
    btnStart->setText("&Abort");
    btnStart->setEnabled(true);  // the only way to stop the search
    searchSelectionFiles(store_, search_, settings_, control_, ui_);
    searching_ = false;
    if (store_.filecount == 0)
        store_.resetSelection();
    if (!control_.abortrequested)
        return true;
    btnStart->setText("&Start");
    btnStart->setEnabled(false);
    enablecontrols(true);
    control_.abortrequested = false;
    closeIfRequested();
    return false;
}

bool MainWindow::makeThumbnails() {
    startThumbnailDisplay();
    sortfilelist(store_);
    makingthumbnails_ = true;
    progressbar_ = createRunProgressBar();
    const bool made = makeSelectionThumbnails(store_, text(txtSearch), settings_.setWideScreen, control_, ui_,
                                              settings_.useMoi);
    endThumbnailDisplay();
    if (made)
        return true;
    enablecontrols(true);
    control_.abortrequested = false;
    closeIfRequested();
    return false;
}

void MainWindow::startThumbnailDisplay() {
    Label3->hide();
    Label4->setText("");
    Label4->show();
    showStatus("sorting files...");
}

void MainWindow::endThumbnailDisplay() {
    makingthumbnails_ = false;
    showStatus("");
    delete progressbar_;
    Label3->show();
    Label4->hide();
    Label4->setText("");
    btnStart->setEnabled(false);
    btnStart->setText("&Start");
}

void MainWindow::closeIfRequested() {
    if (closeAfterRun_)
        QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::Check3_Click() {
    settings_.overwrite = Check3->isChecked();
}

void MainWindow::chkSetWS_Click() {
    settings_.setWideScreen = chkSetWS->isChecked();
}

// ---- fields ----

void MainWindow::lSourcedir_Change() {
    dropSelection();
    settings_.sourceDir = folderText(lSourcedir);
    settings_.lastSourceDir = settings_.sourceDir;
    if (settings_.sourceDir.empty()) {
        btnStart->setEnabled(false);
        Check2->setEnabled(false);
    } else if (Check2->isChecked() && store_.selectedcount == 0) {
        btnStart->setEnabled(false);
    } else {
        btnStart->setEnabled(true);
        if (isManualSelectionExt(QString::fromStdString(settings_.searchExt)))
            Check2->setEnabled(true);
    }
}

void MainWindow::lTargetdir_Change() {
    settings_.targetDir = folderText(lTargetdir);
    settings_.lastTargetDir = settings_.targetDir;
    rebuildExample();
}

void MainWindow::txtSearch_Change() {
    dropSelection();
    chkSetWS->setEnabled(isWideScreenExt(txtSearch->text()));
    Check2->setEnabled(!settings_.sourceDir.empty() && isManualSelectionExt(txtSearch->text()));
    settings_.searchExt = text(txtSearch);
    if (settings_.sourceDir.empty() || (Check2->isChecked() && store_.selectedcount == 0)) {
        if (settings_.sourceDir.empty())
            Check2->setEnabled(false);
        btnStart->setEnabled(false);
    }
}

// The picked files belong to the folder and extension they were searched with: after either
// changes they must not be copied, or offered for deletion, under the new ones.
void MainWindow::dropSelection() {
    if (store_.filecount == 0 && store_.selectedcount == 0)
        return;
    store_.filelist.clear();
    store_.filecount = 0;
    store_.resetSelection();
    std::vector<uint8_t>().swap(store_.thumbnailbits);
    Check2->setText("&Manual Selection");
}

void MainWindow::txtRename_Change() {
    settings_.renameExt = text(txtRename);
    rebuildExample();
}

void MainWindow::txtUserString_Change() {
    settings_.userText = text(txtUserString);
    rebuildExample();
}

void MainWindow::rebuildExample() {
    txtExample->setText(QString::fromStdString(exampleText(settings_, text(txtRename))));
}

void MainWindow::btnSelSourcedir_Click() {
    settings_.sourceDir = chooser_(this, settings_.lastSourceDir, "select source directory:");
    if (settings_.sourceDir.empty())
        settings_.sourceDir = settings_.lastSourceDir;
    if (platform::isDirectory(settings_.sourceDir))
        settings_.lastSourceDir = settings_.sourceDir;
    if (!settings_.sourceDir.empty()) {
        if (isManualSelectionExt(QString::fromStdString(settings_.searchExt)))
            Check2->setEnabled(true);
        if (Check2->isChecked() && store_.selectedcount != 0)
            btnStart->setEnabled(true);
        if (Check1->isChecked())
            btnStart->setEnabled(true);
    } else {
        btnStart->setEnabled(false);
        Check2->setEnabled(false);
    }
    lSourcedir->setText(QString::fromStdString(settings_.sourceDir));
}

void MainWindow::btnSelTargetdir_Click() {
    settings_.targetDir = chooser_(this, settings_.lastTargetDir, "select target directory:");
    if (settings_.targetDir.empty())
        settings_.targetDir = settings_.lastTargetDir;
    if (platform::isDirectory(settings_.targetDir))
        settings_.lastTargetDir = settings_.targetDir;
    lTargetdir->setText(QString::fromStdString(settings_.targetDir));
}

// ---- start validation ----

void MainWindow::showPathNotFound(const std::string& message) {
    ui_.showMessage(message, "Path not found", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
}

// The characters are checked on every Start, also after a manual selection: a separator in
// a name would put the copy outside the target folder.
bool MainWindow::validateStart() {
    if (!checkField(txtSearch, "Invalid character in file extension!"))
        return false;
    if (!checkField(txtRename, "Invalid character in file extension!"))
        return false;
    if (!checkField(txtUserString, "Invalid character in user text field!"))
        return false;
    const std::string nameProblem = nameSettingsProblem(settings_, !settings_.targetDir.empty());
    if (!nameProblem.empty()) {
        kadrel::showError(ui_, nameProblem);
        return false;
    }
    if (store_.selectedcount != 0)
        return true;
    if (!checkSourceFolder(false) || !checkTargetFolder(false))
        return false;
    storeFolders();
    return true;
}

bool MainWindow::checkField(QLineEdit* field, const char* headline) {
    const int bad = firstRefusedChar(field->text());
    if (bad < 0)
        return true;
    field->setSelection(bad, 1);
    kadrel::showError(ui_, refusalMessage(headline));
    field->setFocus();
    field->setSelection(bad, 1);
    return false;
}

// In the manual mode the toggle stays pressed, so that a click on it can search again.
void MainWindow::releaseCheck2() {
    if (manualactive_ == 1)
        return;
    ignorecheck2click_ = 1;
    Check2->setChecked(false);
}

bool MainWindow::checkSourceFolder(bool fromToggle) {
    if (platform::isDirectory(folderText(lSourcedir)))
        return true;
    const QString path = compactPathToWidth(lSourcedir->text(), kMessagePathWidth, fontMetrics());
    if (fromToggle)
        releaseCheck2();
    showPathNotFound(sourceFolderMessage(path.toStdString()));
    lSourcedir->setFocus();
    return false;
}

bool MainWindow::checkTargetFolder(bool fromToggle) {
    if (lTargetdir->text().isEmpty() || platform::isDirectory(folderText(lTargetdir)))
        return true;
    const QString path = compactPathToWidth(lTargetdir->text(), kMessagePathWidth, fontMetrics());
    if (fromToggle)
        releaseCheck2();
    showPathNotFound(targetFolderMessage(path.toStdString()));
    lTargetdir->setFocus();
    return false;
}

void MainWindow::storeFolders() {
    settings_.sourceDir = folderText(lSourcedir);
    settings_.lastSourceDir = settings_.sourceDir;
    settings_.targetDir = folderText(lTargetdir);
    settings_.lastTargetDir = settings_.targetDir;
}

// ---- the Start flow ----

// The abort is looked at first: an Abort click must stop the run at once, without passing
// the validation or the patch-mode question again (whose default answer would otherwise
// let a patch run go on).
void MainWindow::btnStart_Click() {
    if (requestAbort())
        return;
    if (!chkSetWS->isEnabled())
        settings_.setWideScreen = false;
    if (!validateStart() || !confirmExtensions())
        return;
    if (settings_.targetDir.empty() && !PatchModeWarning::ask(control_))
        return;
    runCopy();
    QApplication::alert(this);
    settings_.setWideScreen = chkSetWS->isChecked();
    if (closeAfterRun_)
        QTimer::singleShot(0, this, &QWidget::close);
}

// Pictures named as clips (or clips as pictures) would open in the wrong program, or not at all.
bool MainWindow::confirmExtensions() {
    const std::string question = extensionQuestion(settings_.searchExt, text(txtRename));
    return question.empty() || ui_.showMessage(question, "Kadrel", MsgIcon::Question, MsgButtons::YesNo,
                                               MsgResult::No) == MsgResult::Yes;
}

bool MainWindow::requestAbort() {
    if (searching_ || makingthumbnails_) {
        control_.abortrequested = true;
        showStatus("");
        return true;
    }
    if (!control_.running)
        return false;
    control_.copycancel = 1;
    control_.running = false;
    btnStart->setEnabled(false);
    btnStart->setText("Please wait");
    btnStart->repaint();
    settings_.setWideScreen = chkSetWS->isChecked();
    return true;
}

void MainWindow::runCopy() {
    setUpRun();
    // Copies: the fields may change while the run lets events through.
    const std::string source = settings_.sourceDir;
    const std::string target = settings_.targetDir;
    if (!Check2->isChecked())
        copyAllFound(ctx_, source, target, settings_.setWideScreen, true);
    else
        copySelection(target);
    tearDownRun();
    // A termination signal stopped the run as Abort does; the program now ends as it was asked.
    if (const int signal = platform::lastCaughtSignal())
        QCoreApplication::exit(128 + signal);
}

void MainWindow::copySelection(const std::string& target) {
    std::vector<std::string> files;
    const int32_t count = collectSelectedFiles(store_, files);
    if (count < 1) {
        kadrel::showError(ui_, "No files are selected!");
        return;
    }
    copyFileList(ctx_, count, files, target, settings_.setWideScreen, true, true);
}

void MainWindow::setUpRun() {
    inRun_ = true;
    control_.copycancel = 0;
    control_.running = true;
    Label3->hide();
    Label4->setText("");
    Label4->show();
    enablecontrols(false);
    progressbar_ = createRunProgressBar();
    if (settings_.debugMode) {
        std::string name, folder, ext;
        splitPath(settings_.iniFile, name, folder, ext);
        log_.openDebugLog(debugLogPath(folder));
    }
    btnStart->setText("&Abort!");
}

// A white bar with a dark blue fill under the fields, shown only while a run goes on.
QProgressBar* MainWindow::createRunProgressBar() {
    auto* bar = new QProgressBar(this);
    bar->setObjectName("progressbar");
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    QPalette colours = bar->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::Highlight, QColor(0, 0, 127));
    bar->setPalette(colours);
    bar->setAutoFillBackground(true);
    bar->setGeometry(layout_.fromDesignPixels(8), layout_.fromDesignPixels(262),
                     layout_.fromDesignPixels(222), layout_.fromDesignPixels(20));
    bar->show();
    return bar;
}

// The controls come back only here, once the run has really ended, so that nothing can be
// started or changed while a cancelled copy still winds down.
void MainWindow::tearDownRun() {
    if (settings_.debugMode)
        log_.closeDebugLog();
    delete progressbar_;
    control_.running = false;
    btnStart->setEnabled(true);
    Label3->show();
    Label4->hide();
    Label4->setText("");
    btnStart->setText("&Start");
    enablecontrols(true);
    btnStart->setFocus();
    inRun_ = false;
}

}  // namespace kadrel
