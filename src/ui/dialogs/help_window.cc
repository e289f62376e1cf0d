#include "ui/dialogs/help_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/help_docking.h"
#include "ui/screen_fit.h"

namespace kadrel {

namespace {

constexpr int kMargin = 10;
constexpr int kGap = 8;
QString flag(bool value) {
    return value ? "1" : "0";
}

}  // namespace

QString helpUsageText() {
    return "Kadrel searches the source directory and all of its subdirectories for files with the extension "
           "specified under \"search for\" and copies them into the target directory. All copied files will "
           "be "
           "renamed to have their date/time as the file name and will get the file extension that is "
           "specified "
           "under \"rename to\".\n"
           " If a text is entered under \"added Text\" then this text will be added to the target file name. "
           "Parameter \"TextbeforeDate\" of Kadrel.ini specifies where the text will be located within the "
           "filename.\n"
           "Kadrel can either copy/rename all files found or the files can be selected manually via a "
           "graphical "
           "file browser.\n"
           "If \"set Wide-screen Flag\" is checked then Kadrel will set the 16:9 flag in the sequence header "
           "of "
           "mpeg2 files. This function is only available to MOD and MPG files.";
}

QString helpNotesText() {
    return "- the format of the time and date can be specified via the file Kadrel.ini.\n"
           "- manual file selection is supported for files with the extensions MOD, MPG,\n"
           "   JPG and BMP.\n"
           "- Kadrel also supports a commandline mode. Just call kadrel -h to get\n"
           "  a description how commandline mode works.\n"
           "- If \"Target directory\" is left blank then Kadrel will be switched to \"WS-Flag patch "
           "mode\".In this "
           "mode no copy operation will be performed, instead the original files from the source directory "
           "will "
           "be renamed/patched.";
}

QString helpKeysText(const Settings& settings) {
    const QStringList lines{
        "Kadrel also supports the following keys that can be added to section [Settings] of Kadrel.ini by "
        "using a standard text editor:",
        "",
        "modify_sde=x specifies how Kadrel should handle mpeg2 sequence display extension headers, x can be "
        "either 0,1,2 or 3",
        "0...do not modify sde",
        "1...delete sde(default value, recommended)",
        "2...set sde to the same values as in sequence header (default on the command line)",
        "3...set the sde width to 720 and its height to the one of the sequence header",
        "modify_rdi-pck=x specifies how Kadrel should handle mpeg2 privatestream2 headers, x can be 0 or 1",
        "0...do not modify the RDI-PCK bytes",
        "1...(default value, recommended) if \"set Wide-Screen Flag\" is checked then Kadrel will also set "
        "the "
        "Aspect Ratio of the RDI-PCK bytes to 16:9 Widescreen format",
        "TextbeforeDate=x specifies whether the entered text will be put before or after the date/time in "
        "the "
        "new file name, can be 0 or 1",
        "0...(default) the text of the field \"added Text\" will be put after the date/time",
        "1...the text field will be put before the date/time",
        "deletefiles=x specifies whether Kadrel should delete the original files after the copy process, x "
        "can be 0 or 1",
        "0...(default) do not delete any files",
        "1...delete all files from source directory that were copied successfully",
        "use_modificationtime=x specifies which time of a file gives its new name, x can be 0, 1 or 2",
        "0...the creation time",
        "1...the last-write time",
        "2...(default) the earlier of the two",
        "use_moi=x specifies whether Kadrel reads the .MOI file beside each clip, x can be 0 or 1",
        "0...(default) do not read it",
        "1...name the clip by the recording time in it and set the 16:9 flag only on clips recorded 16:9",
        "debugmode=x specifies whether Kadrel writes a trace of each run into kadrel.dbg beside Kadrel.ini, "
        "x "
        "can be 0 or 1",
        "datetimeformat=text specifies the date/time part of the new file names: a format of the list in "
        "Kadrel.ini, or a pattern of your own made of the letters explained there; left blank, the original "
        "file names are kept",
        "",
        QString("Currently set: modify_sde=%1, modify_rdi-pck=%2, TextbeforeDate=%3,")
            .arg(static_cast<int>(settings.sdeMode))
            .arg(static_cast<int>(settings.rdiPckMode))
            .arg(flag(settings.textBeforeDate)),
        QString("deletefiles=%1, use_modificationtime=%2, use_moi=%3, debugmode=%4,")
            .arg(flag(settings.deleteFiles))
            .arg(int(settings.timeSource))
            .arg(flag(settings.useMoi), flag(settings.debugMode)),
        "datetimeformat=" + QString::fromStdString(settings.dateFormatName)};
    return lines.join('\n');
}

HelpWindow::HelpWindow(const Settings& settings, bool& helpVisible, QWidget* main)
    : QWidget(main, Qt::Window), settings_(settings), helpVisible_(helpVisible) {
    setObjectName("HelpWindow");
    setWindowTitle("Kadrel Help");
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    arrangeControls();
    resize(textWidth() + 2 * kMargin, std::max(pageHeight(false), pageHeight(true)));
    if (main != nullptr)
        moveHelpWindow(*main, *this);
    showUsagePage();
}

int HelpWindow::textWidth() const {
    return fontMetrics().averageCharWidth() * 80;
}

QLabel* HelpWindow::addLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void HelpWindow::createControls() {
    headingLabel_ = addLabel("headingLabel", "main usage:");
    notesHeadingLabel_ = addLabel("notesHeadingLabel", "additional notes:");
    for (QLabel* heading : {headingLabel_, notesHeadingLabel_}) {
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
    }
    pageTextLabel_ = addLabel("pageTextLabel", "");
    notesLabel_ = addLabel("notesLabel", helpNotesText());
    pageTextLabel_->setWordWrap(true);
    notesLabel_->setWordWrap(true);
    pageButton_ = new QPushButton("next &Page");
    pageButton_->setObjectName("pageButton");
    connect(pageButton_, &QPushButton::clicked, this, &HelpWindow::onPageClicked);
}

// The text scrolls when the screen is too small for it; the page button stays in view.
void HelpWindow::arrangeControls() {
    page_ = new QWidget;
    auto* column = new QVBoxLayout(page_);
    column->setContentsMargins(kMargin, kMargin, kMargin, 0);
    column->setSpacing(kGap);
    for (QLabel* label : {headingLabel_, pageTextLabel_, notesHeadingLabel_, notesLabel_})
        column->addWidget(label);
    column->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(page_);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(kMargin, kGap, kMargin, kMargin);
    buttons->addStretch();
    buttons->addWidget(pageButton_);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(scroll, 1);
    window->addLayout(buttons);
}

int HelpWindow::pageHeight(bool keysPage) {
    if (keysPage)
        showKeysPage();
    else
        showUsagePage();
    return page_->layout()->totalHeightForWidth(textWidth() + 2 * kMargin) + kGap +
           pageButton_->sizeHint().height() + kMargin;
}

void HelpWindow::showUsagePage() {
    headingLabel_->setText("main usage:");
    pageTextLabel_->setText(helpUsageText());
    notesLabel_->show();
    notesHeadingLabel_->show();
    relayout();
}

void HelpWindow::showKeysPage() {
    headingLabel_->setText("special keys for Kadrel.ini");
    pageTextLabel_->setText(helpKeysText(settings_));
    notesLabel_->hide();
    notesHeadingLabel_->hide();
    relayout();
}

// At once, not at the next turn of the event loop: the page is drawn as it is now.
void HelpWindow::relayout() {
    QCoreApplication::sendPostedEvents(page_, QEvent::LayoutRequest);
}

void HelpWindow::onPageClicked() {
    secondPage_ = !secondPage_;
    pageButton_->setText(secondPage_ ? "prev. &Page" : "next &Page");
    if (secondPage_)
        showKeysPage();
    else
        showUsagePage();
}

// Shown, the window's frame counts: a short screen gets a shorter window whose text scrolls.
void HelpWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(*this);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    helpVisible_ = false;
    QWidget::closeEvent(event);
}

}  // namespace kadrel
