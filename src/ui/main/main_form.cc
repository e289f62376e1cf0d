#include "ui/main/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/main/program_icon.h"
#include "ui/screen_fit.h"

namespace kadrel {

namespace {

double dpiOf(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

QLayout* folderRow(QLineEdit* field, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    row->addWidget(button);
    return row;
}

bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

MainForm::MainForm(QWidget* parent)
    : QWidget(parent, Qt::Window), twips_(layoutPixelsPerTwip(QApplication::font(), dpiOf(this))) {
    setObjectName("MainWindow");
    setWindowIcon(programIcon());
    createFolderControls();
    createRenameGroup();
    createCopyControls();
    statusArea_ = new StatusArea(twips_);
    arrangeControls();
    setCaptions();
    setTooltips();
    setTabOrder();
    // Room for the scroll bar beside the captioned fields: a short screen scrolls them only up
    // and down.
    scrollArea_->setMinimumWidth(scrollArea_->widget()->minimumSizeHint().width() +
                                 scrollArea_->verticalScrollBar()->sizeHint().width());
    // The designed client area is the default size; the layouts take it from there.
    resize(twips_.px(3645), twips_.px(5205));
    sourceFolderEdit_->setFocus();
    connect(targetFolderEdit_, &QLineEdit::textChanged, this, [this] {
        if (statusArea_->status().isEmpty())
            showStatus("");
    });
}

double MainForm::screenDpi() const {
    return dpiOf(this);
}

template <class Widget>
Widget* MainForm::make(const char* name) {
    auto* widget = new Widget;
    widget->setObjectName(name);
    return widget;
}

// The window watches the focus of its text boxes to select their text.
QLineEdit* MainForm::addTextBox(const char* name) {
    auto* box = make<QLineEdit>(name);
    box->installEventFilter(this);
    return box;
}

void MainForm::createFolderControls() {
    startButton_ = make<QPushButton>("startButton");
    helpButton_ = make<QPushButton>("helpButton");
    sourceFolderLabel_ = make<QLabel>("sourceFolderLabel");
    sourceFolderEdit_ = addTextBox("sourceFolderEdit");
    sourceFolderButton_ = make<QPushButton>("sourceFolderButton");
    targetFolderLabel_ = make<QLabel>("targetFolderLabel");
    targetFolderEdit_ = addTextBox("targetFolderEdit");
    targetFolderButton_ = make<QPushButton>("targetFolderButton");
    sourceFolderLabel_->setBuddy(sourceFolderEdit_);
    targetFolderLabel_->setBuddy(targetFolderEdit_);
    startButton_->setDefault(true);
    startButton_->setMinimumSize(twips_.px(1470), twips_.px(465));
    helpButton_->setFixedSize(twips_.px(375), twips_.px(330));
    for (QPushButton* button : {sourceFolderButton_, targetFolderButton_})
        button->setFixedWidth(twips_.px(480));
    // Enter on another button clicks that button; anywhere else it reaches Start.
    for (QPushButton* button : {helpButton_, sourceFolderButton_, targetFolderButton_})
        button->setAutoDefault(true);
    // Seen here first, so that Enter on Start never aborts a run.
    startButton_->installEventFilter(this);
}

void MainForm::createRenameGroup() {
    renameGroup_ = make<QGroupBox>("renameGroup");
    searchExtLabel_ = make<QLabel>("searchExtLabel");
    searchExtEdit_ = addTextBox("searchExtEdit");
    renameExtLabel_ = make<QLabel>("renameExtLabel");
    renameExtEdit_ = addTextBox("renameExtEdit");
    userTextLabel_ = make<QLabel>("userTextLabel");
    userTextEdit_ = addTextBox("userTextEdit");
    exampleEdit_ = make<QLineEdit>("exampleEdit");
    exampleEdit_->setReadOnly(true);
    // Only a display: taking the focus would leave its text selected during runs.
    exampleEdit_->setFocusPolicy(Qt::NoFocus);
    QPalette grey = exampleEdit_->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Button));
    exampleEdit_->setPalette(grey);
    QFont small("Serif");
    small.setStyleHint(QFont::Serif);
    small.setPointSizeF(6.75);
    exampleEdit_->setFont(small);
    exampleEdit_->setMinimumHeight(twips_.px(330));
    for (QLineEdit* ext : {searchExtEdit_, renameExtEdit_})
        ext->setFixedWidth(twips_.px(600));
    renameExtLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MainForm::createCopyControls() {
    setWideScreenBox_ = make<QCheckBox>("setWideScreenBox");
    copyGroup_ = make<QGroupBox>("copyGroup");
    allFilesToggle_ = make<QPushButton>("allFilesToggle");
    manualToggle_ = make<QPushButton>("manualToggle");
    for (QPushButton* toggle : {allFilesToggle_, manualToggle_}) {
        toggle->setCheckable(true);
        toggle->setAutoDefault(false);
        toggle->setMinimumHeight(twips_.px(390));
    }
    overwriteBox_ = make<QCheckBox>("overwriteBox");
    manifestBox_ = make<QCheckBox>("manifestBox");
}

QLayout* MainForm::buttonRow() {
    // Start in the middle, "?" at the right edge: the outer columns share the room alike.
    auto* row = new QGridLayout;
    row->addWidget(startButton_, 0, 1);
    row->addWidget(helpButton_, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    row->setColumnStretch(0, 1);
    row->setColumnStretch(2, 1);
    row->setColumnMinimumWidth(0, helpButton_->minimumWidth());
    return row;
}

void MainForm::arrangeGroups(int gap) {
    auto* rename = new QGridLayout(renameGroup_);
    rename->addWidget(searchExtLabel_, 0, 0);
    rename->addWidget(searchExtEdit_, 0, 1);
    rename->addWidget(renameExtLabel_, 0, 2);
    rename->addWidget(renameExtEdit_, 0, 3);
    rename->addWidget(userTextLabel_, 1, 0);
    rename->addWidget(userTextEdit_, 1, 1, 1, 3);
    rename->addWidget(exampleEdit_, 2, 0, 1, 4);
    rename->setColumnStretch(2, 1);
    auto* toggles = new QHBoxLayout(copyGroup_);
    toggles->addWidget(allFilesToggle_);
    toggles->addWidget(manualToggle_);
    for (QLayout* inner : {static_cast<QLayout*>(rename), static_cast<QLayout*>(toggles)}) {
        inner->setContentsMargins(gap, gap, gap, gap);
        inner->setSpacing(gap);
    }
}

void MainForm::arrangeControls() {
    // As tight as the designed window: it must fit small screens without scrolling where it can.
    const int gap = twips_.px(60), edge = twips_.px(105);
    arrangeGroups(gap);
    auto* fields = new QWidget;
    auto* column = new QVBoxLayout(fields);
    column->setContentsMargins(edge, edge, edge, gap);
    column->setSpacing(gap);
    column->addWidget(sourceFolderLabel_);
    column->addLayout(folderRow(sourceFolderEdit_, sourceFolderButton_));
    column->addWidget(targetFolderLabel_);
    column->addLayout(folderRow(targetFolderEdit_, targetFolderButton_));
    column->addWidget(renameGroup_);
    // The overwrite line has no room to spare on the designed width; the flag's line has.
    auto* options = new QHBoxLayout;
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(gap);
    options->addStretch(1);
    options->addWidget(setWideScreenBox_);
    options->addWidget(manifestBox_);
    options->addStretch(1);
    column->addLayout(options);
    column->addWidget(copyGroup_);
    column->addWidget(statusArea_, 1);
    column->addWidget(overwriteBox_, 0, Qt::AlignHCenter);
    scrollArea_ = new QScrollArea;
    scrollArea_->setObjectName("scrollArea");
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFocusPolicy(Qt::NoFocus);  // no tab stop of its own: Tab scrolls to the field
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setWidget(fields);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(scrollArea_, 1);
    QLayout* buttons = buttonRow();
    buttons->setContentsMargins(edge, gap, edge, gap);
    window->addLayout(buttons);
}

void MainForm::setCaptions() {
    startButton_->setText("&Start !");
    helpButton_->setText("&?");
    sourceFolderLabel_->setText("S&ource directory:");
    sourceFolderButton_->setText("...");
    targetFolderLabel_->setText("&Target directory:");
    targetFolderButton_->setText("...");
    renameGroup_->setTitle("rename");
    searchExtLabel_->setText("search for .");
    renameExtLabel_->setText(", rename to .");
    userTextLabel_->setText("added Text");
    exampleEdit_->setText("Example:");
    setWideScreenBox_->setText("set Wide-Screen Flag(16:9)");
    copyGroup_->setTitle("copy");
    allFilesToggle_->setText("&All Files found");
    manualToggle_->setText("&Manual Selection");
    overwriteBox_->setText("overwrite existing files without warning");
    manifestBox_->setText("manifest");
}

void MainForm::setTooltips() {
    startButton_->setToolTip("Start copy process!");
    helpButton_->setToolTip("shows some help text");
    sourceFolderEdit_->setToolTip("Enter path of source folder here or press ... to open a browser");
    sourceFolderButton_->setToolTip("specify source directory(F7)");
    targetFolderEdit_->setToolTip("Enter path of target folder here or press ... to open a browser");
    targetFolderButton_->setToolTip("specify target directory(F8)");
    searchExtEdit_->setToolTip("specify file extension for searching");
    renameExtEdit_->setToolTip("specify file extension for renaming");
    userTextEdit_->setToolTip("specify additional user text that will be added to the filename");
    setWideScreenBox_->setToolTip("if checked then the 16:9 flag will be set in the final mpeg2 file");
    allFilesToggle_->setToolTip("copy all files that were found");
    manualToggle_->setToolTip("opens a Browser for manual selection");
    overwriteBox_->setToolTip(
        "if checked then Kadrel will overwrite existing files without warning. if unchecked then Kadrel will "
        "add a running number to the new filename in case it already exists and therefore no files will be "
        "overwritten. ");
    manifestBox_->setToolTip(
        "if checked then Kadrel keeps kadrel.xxh128 in the target directory: a digest of every copy, so that "
        "\"cd target && xxh128sum -c kadrel.xxh128\" checks the archive at any time later.");
}

void MainForm::setTabOrder() {
    QWidget* const order[] = {sourceFolderEdit_,   sourceFolderButton_, targetFolderEdit_,
                              targetFolderButton_, searchExtEdit_,      renameExtEdit_,
                              userTextEdit_,       setWideScreenBox_,   manifestBox_,
                              allFilesToggle_,     manualToggle_,       statusArea_->openFolderButton(),
                              overwriteBox_,       startButton_,        helpButton_};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void MainForm::render(const MainController& controller) {
    idle_ = controller.inputsEnabled();
    const std::initializer_list<QWidget*> inputs = {
        allFilesToggle_, sourceFolderButton_, targetFolderButton_, sourceFolderEdit_, targetFolderEdit_,
        searchExtEdit_,  renameExtEdit_,      userTextEdit_,       overwriteBox_,     manifestBox_};
    for (QWidget* control : inputs)
        control->setEnabled(idle_);
    setWideScreenBox_->setEnabled(controller.wideScreenEnabled());
    manualToggle_->setEnabled(controller.manualEnabled());
    statusArea_->openFolderButton()->setVisible(controller.summaryShown());
    allFilesToggle_->setChecked(controller.mode() == CopyMode::AllFiles);
    manualToggle_->setChecked(controller.mode() == CopyMode::Manual);
    manualToggle_->setText(QString::fromStdString(controller.manualCaption()));
    startButton_->setText(QString::fromStdString(controller.startCaption()));
    startButton_->setEnabled(controller.startEnabled());
    const QString status = QString::fromStdString(controller.statusText());
    if (status != statusArea_->status())
        showStatus(status);
}

QString MainForm::byline() const {
    return targetFolderEdit_->text().isEmpty() ? "originals renamed and patched in place"
                                               : "clips to disk, named by date";
}

void MainForm::showStatus(const QString& text) {
    statusArea_->showStatus(text, byline());
}

void MainForm::showRunProgress(const QString& text, int percent) {
    statusArea_->showRunProgress(text, percent);
}

void MainForm::startProgressDisplay() {
    statusArea_->startProgress();
}

void MainForm::endProgressDisplay() {
    statusArea_->endProgress();
}

// ---- keys and focus ----

void MainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(*this);  // again, now that the window's frame counts
}

void MainForm::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event) && idle_ && startButton_->isEnabled()) {
        startButton_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == startButton_ && isEnter(event) && !idle_)
        return true;
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field != nullptr && event->type() == QEvent::FocusIn)
        onFocusIn(field);
    if (field != nullptr && event->type() == QEvent::FocusOut &&
        (field == searchExtEdit_ || field == renameExtEdit_))
        field->setCursorPosition(0);
    return QWidget::eventFilter(watched, event);
}

void MainForm::onFocusIn(QLineEdit* field) {
    scrollArea_->ensureWidgetVisible(field);  // also when an access key brought the focus here
    // Deferred: a mouse click places the caret after the focus arrives.
    QTimer::singleShot(0, field, [this, field] {
        if (!field->hasFocus() || field->text().isEmpty())
            return;
        if (field == sourceFolderEdit_ || field == targetFolderEdit_ || !field->hasSelectedText())
            field->selectAll();
    });
}

}  // namespace kadrel
