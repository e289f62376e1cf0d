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

HelpWindow::HelpWindow(const Settings& settings, bool& helpvisible, QWidget* main)
    : QWidget(main, Qt::Window), settings_(settings), helpvisible_(helpvisible) {
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
    Label1 = addLabel("Label1", "main usage:");
    Label4 = addLabel("Label4", "additional notes:");
    for (QLabel* heading : {Label1, Label4}) {
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
    }
    Label2 = addLabel("Label2", "");
    Label3 = addLabel("Label3", helpNotesText());
    Label2->setWordWrap(true);
    Label3->setWordWrap(true);
    const char* keyNames[4] = {"Label5", "Label6", "Label7", "Label8"};
    const char* keyTexts[4] = {"modify_sde=x", "modify_rdi-pck=x", "deletefiles=x", "textbeforedate=x"};
    for (int i = 0; i < 4; ++i)
        keyLabels_[i] = addLabel(keyNames[i], keyTexts[i]);
    Command1 = new QPushButton("next &Page", this);
    Command1->setObjectName("Command1");
    connect(Command1, &QPushButton::clicked, this, &HelpWindow::Command1_Click);
}

int HelpWindow::pageHeight(bool secondPage) {
    const int width = fontMetrics().averageCharWidth() * 80;
    Label2->setText(secondPage ? helpKeysText(settings_) : helpUsageText());
    int height = kMargin + Label1->sizeHint().height() + kGap + Label2->heightForWidth(width) + kGap;
    if (!secondPage)
        height += Label4->sizeHint().height() + kGap + Label3->heightForWidth(width) + kGap;
    return height + Command1->sizeHint().height() + kMargin;
}

void HelpWindow::page1() {
    Label1->setText("main usage:");
    Label2->setText(helpUsageText());
    for (QLabel* key : keyLabels_)
        key->hide();
    Label3->show();
    Label4->show();
    arrangePage(false);
}

void HelpWindow::page2() {
    Label1->setText("special keys for Kadrel.ini");
    Label2->setText(helpKeysText(settings_));
    Label3->hide();
    Label4->hide();
    for (QLabel* key : keyLabels_)
        key->show();
    arrangePage(true);
}

void HelpWindow::arrangePage(bool secondPage) {
    const int width = this->width() - 2 * kMargin;
    int top = kMargin;
    Label1->setGeometry(kMargin, top, width, Label1->sizeHint().height());
    top += Label1->height() + kGap;
    Label2->setGeometry(kMargin, top, width, Label2->heightForWidth(width));
    if (secondPage)
        placeKeyLabels(top);
    top += Label2->height() + kGap;
    Label4->setGeometry(kMargin, top, width, Label4->sizeHint().height());
    top += Label4->height() + kGap;
    Label3->setGeometry(kMargin, top, width, Label3->heightForWidth(width));
    const QSize button = Command1->sizeHint();
    Command1->setGeometry(this->width() - kMargin - button.width(), height() - kMargin - button.height(),
                          button.width(), button.height());
}

// The key labels stand on the blanks that open each key block, so their lines are found by
// laying the text out as the label does.
void HelpWindow::placeKeyLabels(int top) {
    QTextDocument doc;
    doc.setDefaultFont(Label2->font());
    doc.setDocumentMargin(0);
    doc.setPlainText(Label2->text());
    doc.setTextWidth(Label2->width());
    for (int i = 0; i < 4; ++i) {
        const QRectF line = doc.documentLayout()->blockBoundingRect(doc.findBlockByNumber(kKeyBlockLine[i]));
        QLabel* key = keyLabels_[i];
        key->setGeometry(kMargin, top + int(line.top()), key->sizeHint().width(), key->sizeHint().height());
        key->raise();
    }
}

void HelpWindow::Command1_Click() {
    if (Command1->text() == "next &Page") {
        Command1->setText("prev. &Page");
        page2();
    } else {
        Command1->setText("next &Page");
        page1();
    }
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    helpvisible_ = false;
    QWidget::closeEvent(event);
}

}  // namespace kadrel
