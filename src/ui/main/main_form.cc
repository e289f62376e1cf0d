#include "ui/main/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

#include "ui/main/program_icon.h"
#include "ui/screen_fit.h"

namespace kadrel {

namespace {

const char kByline[] = "clips to disk, named by date";

double dpiOf(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

MainForm::MainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      layout_(layoutPixelsPerTwip(QApplication::font(), dpiOf(this))) {
    setObjectName("MainWindow");
    setWindowIcon(programIcon());
    setFixedSize(layout_.px(3645), layout_.px(5205));
    createFolderControls();
    createRenameGroup();
    createCopyControls();
    setCaptions();
    setTooltips();
    setTabOrder();
}

double MainForm::screenDpi() const {
    return dpiOf(this);
}

template <class Widget>
Widget* MainForm::place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->setGeometry(layout_.px(left), layout_.px(top), layout_.px(width), layout_.px(height));
    return widget;
}

// The window watches the focus of its text boxes to select their text.
QLineEdit* MainForm::addTextBox(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* box = place<QLineEdit>(parent, name, left, top, width, height);
    box->installEventFilter(this);
    return box;
}

void MainForm::createFolderControls() {
    startButton_ = place<QPushButton>(this, "startButton", 1087, 4665, 1470, 465);
    helpButton_ = place<QPushButton>(this, "helpButton", 3180, 4740, 375, 330);
    sourceFolderLabel_ = place<QLabel>(this, "sourceFolderLabel", 120, 120, 2775, 195);
    sourceFolderEdit_ = addTextBox(this, "sourceFolderEdit", 120, 360, 2775, 285);
    sourceFolderButton_ = place<QPushButton>(this, "sourceFolderButton", 2985, 330, 480, 315);
    targetFolderLabel_ = place<QLabel>(this, "targetFolderLabel", 120, 720, 2775, 195);
    targetFolderEdit_ = addTextBox(this, "targetFolderEdit", 120, 945, 2775, 285);
    targetFolderButton_ = place<QPushButton>(this, "targetFolderButton", 2985, 945, 480, 315);
    sourceFolderLabel_->setBuddy(sourceFolderEdit_);
    targetFolderLabel_->setBuddy(targetFolderEdit_);
    startButton_->setDefault(true);
    // Enter on another button clicks that button; anywhere else it reaches Start.
    for (QPushButton* button : {helpButton_, sourceFolderButton_, targetFolderButton_})
        button->setAutoDefault(true);
}

void MainForm::createRenameGroup() {
    renameGroup_ = place<QGroupBox>(this, "renameGroup", 75, 1290, 3510, 1290);
    searchExtLabel_ = place<QLabel>(renameGroup_, "searchExtLabel", 120, 255, 825, 195);
    searchExtEdit_ = addTextBox(renameGroup_, "searchExtEdit", 945, 195, 600, 285);
    renameExtLabel_ = place<QLabel>(renameGroup_, "renameExtLabel", 1590, 255, 1035, 195);
    renameExtEdit_ = addTextBox(renameGroup_, "renameExtEdit", 2625, 195, 600, 285);
    userTextLabel_ = place<QLabel>(renameGroup_, "userTextLabel", 75, 645, 870, 195);
    userTextEdit_ = addTextBox(renameGroup_, "userTextEdit", 945, 615, 2295, 285);
    exampleEdit_ = place<QLineEdit>(renameGroup_, "exampleEdit", 90, 915, 3300, 330);
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
    renameExtLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MainForm::createCopyControls() {
    setWideScreenBox_ = place<QCheckBox>(this, "setWideScreenBox", 660, 2655, 2325, 195);
    copyGroup_ = place<QGroupBox>(this, "copyGroup", 75, 2865, 3495, 765);
    allFilesToggle_ = place<QPushButton>(this, "allFilesToggle", 225, 3135, 1600, 390);
    manualToggle_ = place<QPushButton>(this, "manualToggle", 1830, 3135, 1600, 390);
    for (QPushButton* toggle : {allFilesToggle_, manualToggle_}) {
        toggle->setCheckable(true);
        toggle->setAutoDefault(false);
        toggle->raise();
    }
    overwriteBox_ = place<QCheckBox>(this, "overwriteBox", 300, 4305, 3045, 240);
    statusLabel_ = place<QLabel>(this, "statusLabel", 600, 3825, 2445, 300);
    statusLabel_->setAlignment(Qt::AlignCenter);
    progressLabel_ = place<QLabel>(this, "progressLabel", 157, 3705, 3330, 195);
    progressLabel_->hide();
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
        "add a "
        "running number to the new filename in case it already exists and therefore no files will be "
        "overwritten. ");
}

void MainForm::setTabOrder() {
    QWidget* const order[] = {startButton_,      helpButton_,         sourceFolderEdit_, sourceFolderButton_,
                              targetFolderEdit_, targetFolderButton_, searchExtEdit_,    renameExtEdit_,
                              userTextEdit_,     setWideScreenBox_,   allFilesToggle_,   manualToggle_,
                              exampleEdit_,      overwriteBox_};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

QProgressBar* MainForm::createProgressBar() {
    auto* bar = new QProgressBar(this);
    bar->setObjectName("progressBar");
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

void MainForm::render(const MainController& controller) {
    const bool idle = controller.inputsEnabled();
    for (QWidget* control :
         {static_cast<QWidget*>(allFilesToggle_), static_cast<QWidget*>(sourceFolderButton_),
          static_cast<QWidget*>(targetFolderButton_)})
        control->setEnabled(idle);
    setWideScreenBox_->setEnabled(controller.wideScreenEnabled());
    manualToggle_->setEnabled(controller.manualEnabled());
    for (QWidget* control :
         {static_cast<QWidget*>(sourceFolderEdit_), static_cast<QWidget*>(targetFolderEdit_),
          static_cast<QWidget*>(searchExtEdit_), static_cast<QWidget*>(renameExtEdit_),
          static_cast<QWidget*>(userTextEdit_), static_cast<QWidget*>(overwriteBox_)})
        control->setEnabled(idle);
    allFilesToggle_->setChecked(controller.mode() == CopyMode::AllFiles);
    manualToggle_->setChecked(controller.mode() == CopyMode::Manual);
    manualToggle_->setText(QString::fromStdString(controller.manualCaption()));
    startButton_->setText(QString::fromStdString(controller.startCaption()));
    startButton_->setEnabled(controller.startEnabled());
    const QString status = QString::fromStdString(controller.statusText());
    if (statusLabel_->text() != (status.isEmpty() ? QString(kByline) : status))
        showStatus(status);
}

void MainForm::showStatus(const QString& text) {
    QFont font = statusLabel_->font();
    const bool byline = text.isEmpty();
    font.setItalic(byline);
    font.setBold(byline);
    font.setPointSizeF(byline ? 10 : 8);
    statusLabel_->setFont(font);
    statusLabel_->setText(byline ? QString(kByline) : text);
    statusLabel_->repaint();
}

void MainForm::showRunProgress(const QString& text, int percent) {
    if (!text.isEmpty()) {
        progressLabel_->setText(text);
        progressLabel_->repaint();
    }
    if (progressBar_ != nullptr)
        progressBar_->setValue(std::clamp(percent, 0, 100));
}

void MainForm::startProgressDisplay() {
    statusLabel_->hide();
    progressLabel_->setText("");
    progressLabel_->show();
    progressBar_ = createProgressBar();
}

void MainForm::endProgressDisplay() {
    delete progressBar_;
    statusLabel_->show();
    progressLabel_->hide();
    progressLabel_->setText("");
}

// ---- keys and focus ----

void MainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(*this);  // again, now that the window's frame counts
}

void MainForm::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && startButton_->isEnabled()) {
        startButton_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field != nullptr && event->type() == QEvent::FocusIn)
        onFocusIn(field);
    if (field != nullptr && event->type() == QEvent::FocusOut &&
        (field == searchExtEdit_ || field == renameExtEdit_))
        field->setCursorPosition(0);
    return QWidget::eventFilter(watched, event);
}

void MainForm::onFocusIn(QLineEdit* field) {
    // Deferred: a mouse click places the caret after the focus arrives.
    QTimer::singleShot(0, field, [this, field] {
        if (!field->hasFocus() || field->text().isEmpty())
            return;
        if (field == sourceFolderEdit_ || field == targetFolderEdit_ || !field->hasSelectedText())
            field->selectAll();
    });
}

}  // namespace kadrel
