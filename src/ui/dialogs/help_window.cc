#include "ui/dialogs/help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

#include "ui/help_docking.h"

namespace kadrel {

namespace {

constexpr int kMargin = 10;
constexpr int kGap = 8;
/// Lines of page 2 that begin a key block, with the blanks that leave room for its label.
constexpr int kKeyBlockLine[4] = {2, 6, 9, 12};

QString blanks(int count) {
    return QString(count, ' ');
}

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
    QStringList lines{
        "Kadrel also supports the following undocumented keys that can be added to section [Settings] of "
        "Kadrel.ini by using a standard text editor:",
        "",
        blanks(30) +
            "specifies how Kadrel should handle mpeg2 sequence display extension headers, x can be "
            "either 0,1 or 2",
        "0...do not modify sde",
        "1...delete sde(default value, recommended)",
        "2...set sde to the same values as in sequence header",
        blanks(38) + "specifies how Kadrel should handle mpeg2 privatestream2 headers, x can be 0 or 1",
        "0...do not modify the RDI-PCK bytes",
        "1...(default value, recommended) if \"set Wide-Screen Flag\" is checked then Kadrel will also set "
        "the "
        "Aspect Ratio of the RDI-PCK bytes to 16:9 Widescreen format",
        blanks(27) +
            "specifies whether Kadrel should delete the original files after the copy process, x can be "
            "0 or 1",
        "0...(default) do not delete any files",
        "1...delete all files from source directory that were copied "
        "successfully",
        blanks(37) +
            "specifies whether the entered text will be put before or after the date/time in the new "
            "file name, can be 0 or 1",
        "0...(default) the text of the field \"added Text\" will be put after the date/time",
        "1...the text field will be put before the date/time",
        "",
        QString("Currently set: modify_sde=%1, modify_pes=%2")
            .arg(settings.modifySde)
            .arg(settings.modifyRdiPck),
        "textbeforedate=" + flag(settings.textBeforeDate) + ", debugmode=" + flag(settings.debugMode)};
    return lines.join('\n');
}

HelpWindow::HelpWindow(const Settings& settings, bool& helpVisible, QWidget* main)
    : QWidget(main, Qt::Window), settings_(settings), helpvisible_(helpVisible) {
    setObjectName("HelpWindow");
    setWindowTitle("Kadrel Help");
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    setFixedSize(fontMetrics().averageCharWidth() * 80 + 2 * kMargin,
                 std::max(pageHeight(false), pageHeight(true)));
    if (main != nullptr)
        moveHelpWindow(*main, *this);
    page1();
}

QLabel* HelpWindow::addLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text, this);
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
    const char* keyNames[4] = {"sdeKeyLabel", "rdiPckKeyLabel", "deleteKeyLabel", "textBeforeDateKeyLabel"};
    const char* keyTexts[4] = {"modify_sde=x", "modify_rdi-pck=x", "deletefiles=x", "textbeforedate=x"};
    for (int i = 0; i < 4; ++i)
        keyLabels_[i] = addLabel(keyNames[i], keyTexts[i]);
    pageButton_ = new QPushButton("next &Page", this);
    pageButton_->setObjectName("pageButton");
    connect(pageButton_, &QPushButton::clicked, this, &HelpWindow::onPageClicked);
}

int HelpWindow::pageHeight(bool secondPage) {
    const int width = fontMetrics().averageCharWidth() * 80;
    pageTextLabel_->setText(secondPage ? helpKeysText(settings_) : helpUsageText());
    int height =
        kMargin + headingLabel_->sizeHint().height() + kGap + pageTextLabel_->heightForWidth(width) + kGap;
    if (!secondPage)
        height += notesHeadingLabel_->sizeHint().height() + kGap + notesLabel_->heightForWidth(width) + kGap;
    return height + pageButton_->sizeHint().height() + kMargin;
}

void HelpWindow::page1() {
    headingLabel_->setText("main usage:");
    pageTextLabel_->setText(helpUsageText());
    for (QLabel* key : keyLabels_)
        key->hide();
    notesLabel_->show();
    notesHeadingLabel_->show();
    arrangePage(false);
}

void HelpWindow::page2() {
    headingLabel_->setText("special keys for Kadrel.ini");
    pageTextLabel_->setText(helpKeysText(settings_));
    notesLabel_->hide();
    notesHeadingLabel_->hide();
    for (QLabel* key : keyLabels_)
        key->show();
    arrangePage(true);
}

void HelpWindow::arrangePage(bool secondPage) {
    const int width = this->width() - 2 * kMargin;
    int top = kMargin;
    headingLabel_->setGeometry(kMargin, top, width, headingLabel_->sizeHint().height());
    top += headingLabel_->height() + kGap;
    pageTextLabel_->setGeometry(kMargin, top, width, pageTextLabel_->heightForWidth(width));
    if (secondPage)
        placeKeyLabels(top);
    top += pageTextLabel_->height() + kGap;
    notesHeadingLabel_->setGeometry(kMargin, top, width, notesHeadingLabel_->sizeHint().height());
    top += notesHeadingLabel_->height() + kGap;
    notesLabel_->setGeometry(kMargin, top, width, notesLabel_->heightForWidth(width));
    const QSize button = pageButton_->sizeHint();
    pageButton_->setGeometry(this->width() - kMargin - button.width(), height() - kMargin - button.height(),
                             button.width(), button.height());
}

// The key labels stand on the blanks that open each key block, so their lines are found by
// laying the text out as the label does.
void HelpWindow::placeKeyLabels(int top) {
    QTextDocument doc;
    doc.setDefaultFont(pageTextLabel_->font());
    doc.setDocumentMargin(0);
    doc.setPlainText(pageTextLabel_->text());
    doc.setTextWidth(pageTextLabel_->width());
    for (int i = 0; i < 4; ++i) {
        const QRectF line = doc.documentLayout()->blockBoundingRect(doc.findBlockByNumber(kKeyBlockLine[i]));
        QLabel* key = keyLabels_[i];
        key->setGeometry(kMargin, top + int(line.top()), key->sizeHint().width(), key->sizeHint().height());
        key->raise();
    }
}

void HelpWindow::onPageClicked() {
    secondPage_ = !secondPage_;
    pageButton_->setText(secondPage_ ? "prev. &Page" : "next &Page");
    if (secondPage_)
        page2();
    else
        page1();
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    helpvisible_ = false;
    QWidget::closeEvent(event);
}

}  // namespace kadrel
