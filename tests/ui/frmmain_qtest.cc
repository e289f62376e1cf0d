// The main window as the user meets it: first start, the enabling rules, the example name,
// the refusals at Start, the toggles, the keys, the settings written back and the help
// window docking at its side. Message boxes are answered through the UI seam.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <deque>
#include <memory>

#include "settings/settingsfile.h"
#include "support/tempdir.h"
#include "ui/dialogs/frmHelp.h"
#include "ui/main/Twips.h"
#include "ui/main/frmMain.h"

namespace kadrel {
namespace {

struct Shown {
    std::string text;
    std::string title;
    MsgIcon icon;
};

/// Qt's seam with the message boxes answered from a script and recorded.
class ScriptedUi : public QtUi {
  public:
    MsgResult showMessage(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons,
                          MsgResult defaultButton) override {
        shown.push_back({text, title, icon});
        return defaultButton;
    }
    std::vector<Shown> shown;
};

/// One main window on a settings file of its own.
struct Window {
    test::TempDir dir;
    Settings settings;
    RunControl control;
    ScriptedUi ui;
    std::unique_ptr<frmMain> form;

    /// Loads the window; ini (if not empty) is written as Kadrel.ini first.
    explicit Window(const std::string& ini = "") {
        settings.inifile = dir.file("Kadrel.ini");
        if (!ini.empty())
            dir.write("Kadrel.ini", ini);
        form = std::make_unique<frmMain>(settings, control, ui);
        ui.setOwner(form.get());
        ui.setProgressView(form.get());
        form->Form_Load();
    }
    template <class W>
    W* get(const char* name) const {
        W* widget = form->findChild<W*>(name);
        if (widget == nullptr)
            qFatal("no control %s", name);
        return widget;
    }
    QLineEdit* edit(const char* name) const { return get<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return get<QPushButton>(name); }
    QCheckBox* check(const char* name) const { return get<QCheckBox>(name); }
    std::string ini() const { return test::readAll(settings.inifile); }
};

std::string iniWith(const std::string& settingsLines) {
    return "[Settings]\r\n" + settingsLines + "[ThumbnailBrowser]\r\nxpos=0\r\n";
}

const char kRefusedTail[] = "\r\n\r\nDo not use the characters \\/:*?\"<>|";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void firstStartWritesSettingsAndOpensTopLeft();
    void loadFillsFieldsFromSettings();
    void enablingRules_data();
    void enablingRules();
    void exampleText_data();
    void exampleText();
    void exampleFollowsTargetNotSearch();
    void refusedCharacters_data();
    void refusedCharacters();
    void folderRefusals_data();
    void folderRefusals();
    void pressedToggleStaysPressed();
    void enablecontrolsRestoresPreviousState();
    void statusLineFonts();
    void folderButtonsAndF7F8();
    void enterPressesStart();
    void settingsWrittenOnClose();
    void positionKeptWhenMinimised();
    void helpDocksAndFollows();
};

void MainWindowTest::firstStartWritesSettingsAndOpensTopLeft() {
    Window w;
    const std::string ini = w.ini();
    for (const char* expected :
         {"[Settings]", "lastsourcedir=\r\n", "setws=0", "SearchFor=MOD", "RenameTo=MPG", "AddedText=\r\n",
          "xpos=0", "; yy-mm-dd_HH-MM-SS-AMPM\r\ndatetimeformat=yyyymmdd_HHMMSS", "[ThumbnailBrowser]",
          "height=7000", "width=10000", "ThumbnailSize=1"})
        QVERIFY2(ini.find(expected) != std::string::npos, expected);
    QVERIFY(w.ui.shown.empty());
    QCOMPARE(w.form->pos(), QPoint(0, 0));
    QCOMPARE(w.form->windowTitle(), QString("Kadrel V") + KADREL_VERSION[0] + "." +
                                        QString(KADREL_VERSION).section('.', 1, 1) +
                                        QString(KADREL_VERSION).section('.', 2, 2) + "d Beta");
    QCOMPARE(w.settings.dateformattext, std::string("yyyymmdd_HHMMSS"));
    QCOMPARE(w.edit("txtExample")->text(), QString("(Example:\"original filename\".MPG)"));
    QVERIFY(!w.button("btnStart")->isEnabled());
    QVERIFY(w.button("Check1")->isChecked());
    QCOMPARE(w.form->allfilesactive(), int16_t(1));
}

void MainWindowTest::loadFillsFieldsFromSettings() {
    test::TempDir source;
    Window w(iniWith("lastsourcedir=" + source.path() +
                     "\r\nlasttargetdir=/nowhere\r\nsetws=1\r\n"
                     "SearchFor=mpg\r\nRenameTo=avi\r\nAddedText=Holiday_\r\noverwrite_files=1\r\n"
                     "xpos=1500\r\nypos=750\r\ndatetimeformat=yy-dd-mm\r\n"));
    QCOMPARE(w.edit("lSourcedir")->text().toStdString(), source.path());
    QCOMPARE(w.edit("lTargetdir")->text(), QString("/nowhere"));
    QCOMPARE(w.edit("txtSearch")->text(), QString("mpg"));
    QCOMPARE(w.edit("txtRename")->text(), QString("avi"));
    QCOMPARE(w.edit("txtUserString")->text(), QString("Holiday_"));
    QVERIFY(w.check("chkSetWS")->isChecked() && w.check("chkSetWS")->isEnabled());
    QVERIFY(w.check("Check3")->isChecked());
    QVERIFY(w.button("Check2")->isEnabled());
    QVERIFY(w.button("btnStart")->isEnabled());
    const double dpi = w.form->screen()->logicalDotsPerInch();
    QCOMPARE(w.form->pos(), QPoint(twipsToPixels(1500, dpi), twipsToPixels(750, dpi)));
    QCOMPARE(w.edit("txtExample")->text(), QString("(Example:yy-dd-mmHoliday_.avi)"));
}

void MainWindowTest::enablingRules_data() {
    QTest::addColumn<bool>("withSource");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("wideScreen");
    QTest::addColumn<bool>("manual");
    QTest::addColumn<bool>("start");
    QTest::newRow("mod with source") << true << "mod" << true << true << true;
    QTest::newRow("MPG with source") << true << "MPG" << true << true << true;
    QTest::newRow(".MOD with source") << true << ".MOD" << false << false << true;
    QTest::newRow("blank MOD") << true << " MOD" << false << false << true;
    QTest::newRow("jpg with source") << true << "jpg" << false << true << true;
    QTest::newRow("BMP with source") << true << "BMP" << false << true << true;
    QTest::newRow("AVI with source") << true << "AVI" << false << false << true;
    QTest::newRow("MOD without source") << false << "MOD" << true << false << false;
    QTest::newRow("JPG without source") << false << "JPG" << false << false << false;
}

void MainWindowTest::enablingRules() {
    QFETCH(bool, withSource);
    QFETCH(QString, search);
    test::TempDir source;
    Window w;
    w.edit("txtSearch")->setText(search);
    w.edit("lSourcedir")->setText(withSource ? QString::fromStdString(source.path()) : "");
    QTEST(w.check("chkSetWS")->isEnabled(), "wideScreen");
    QTEST(w.button("Check2")->isEnabled(), "manual");
    QTEST(w.button("btnStart")->isEnabled(), "start");
    QCOMPARE(w.settings.searchext, search.toStdString());
    // Typing the extension after the folder gives the same result.
    w.edit("txtSearch")->setText("x");
    w.edit("txtSearch")->setText(search);
    QTEST(w.button("Check2")->isEnabled(), "manual");
    QTEST(w.check("chkSetWS")->isEnabled(), "wideScreen");
}

void MainWindowTest::exampleText_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("withTarget");
    QTest::addColumn<QString>("expected");
    QTest::newRow("after") << "yyyymmdd_HHMMSS" << false << true << "(Example:yyyymmdd_HHMMSSHoliday_.MPG)";
    QTest::newRow("before") << "yyyymmdd_HHMMSS" << true << true << "(Example:Holiday_yyyymmdd_HHMMSS.MPG)";
    QTest::newRow("patch mode") << "yyyymmdd_HHMMSS" << false << false
                                << "(Example:\"original filename\"Holiday_.MPG)";
    QTest::newRow("patch mode before")
        << "dd-mm-yy_HH-MM-SS" << true << false << "(Example:Holiday_\"original filename\".MPG)";
    QTest::newRow("unknown format") << "nonsense" << false << true
                                    << "(Example:\"original filename\"Holiday_.MPG)";
    QTest::newRow("blank format") << "" << false << true << "(Example:\"original filename\"Holiday_.MPG)";
    QTest::newRow("blanks around format")
        << "  m-d-yy_H-M-S " << false << true << "(Example:m-d-yy_H-M-SHoliday_.MPG)";
}

void MainWindowTest::exampleText() {
    QFETCH(QString, format);
    QFETCH(bool, before);
    QFETCH(bool, withTarget);
    test::TempDir target;
    Window w(iniWith("datetimeformat=" + format.toStdString() + "\r\nTextbeforeDate=" + (before ? "1" : "0") +
                     "\r\nRenameTo=MPG\r\n"));
    w.edit("lTargetdir")->setText(withTarget ? QString::fromStdString(target.path()) : "");
    w.edit("txtUserString")->setText("Holiday_");
    QTEST(w.edit("txtExample")->text(), "expected");
}

void MainWindowTest::exampleFollowsTargetNotSearch() {
    Window w;
    w.edit("txtUserString")->setText("x");
    const QString patchExample = w.edit("txtExample")->text();
    w.edit("txtSearch")->setText("JPG");
    QCOMPARE(w.edit("txtExample")->text(), patchExample);
    w.edit("lTargetdir")->setText("/somewhere");
    QCOMPARE(w.edit("txtExample")->text(), QString("(Example:yyyymmdd_HHMMSSx.MPG)"));
    w.edit("txtRename")->setText("mpeg");
    QCOMPARE(w.edit("txtExample")->text(), QString("(Example:yyyymmdd_HHMMSSx.mpeg)"));
    w.edit("lTargetdir")->setText("");
    QCOMPARE(w.edit("txtExample")->text(), QString("(Example:\"original filename\"x.mpeg)"));
}

void MainWindowTest::refusedCharacters_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("badIndex");
    QTest::addColumn<QString>("headline");
    const QString ext = "Invalid character in file extension!";
    const QString user = "Invalid character in user text field!";
    QTest::newRow("slash in search") << "txtSearch"
                                     << "M/D" << 1 << ext;
    QTest::newRow("backslash in search") << "txtSearch"
                                         << "\\MOD" << 0 << ext;
    QTest::newRow("question mark in rename") << "txtRename"
                                             << "M?G" << 1 << ext;
    QTest::newRow("bar after colon in rename") << "txtRename"
                                               << "MP:|" << 2 << ext;
    QTest::newRow("quote in user text") << "txtUserString"
                                        << "my \"best\"" << 3 << user;
    QTest::newRow("star in user text") << "txtUserString"
                                       << "a<b*" << 1 << user;
    QTest::newRow("greater-than at the end") << "txtUserString"
                                             << "ok>" << 2 << user;
}

void MainWindowTest::refusedCharacters() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(int, badIndex);
    QFETCH(QString, headline);
    test::TempDir source, target;
    Window w;
    w.edit("lSourcedir")->setText(QString::fromStdString(source.path()));
    w.edit("lTargetdir")->setText(QString::fromStdString(target.path()));
    QLineEdit* box = w.edit(field.toLatin1().constData());
    box->setText(value);
    w.button("btnStart")->click();
    QCOMPARE(w.ui.shown.size(), size_t(1));
    QCOMPARE(w.ui.shown[0].text, headline.toStdString() + kRefusedTail);
    QCOMPARE(w.ui.shown[0].title, std::string("ERROR"));
    QVERIFY(w.ui.shown[0].icon == MsgIcon::Critical);
    QCOMPARE(box->selectionStart(), badIndex);
    QCOMPARE(box->selectedText(), value.mid(badIndex, 1));
    QCOMPARE(w.form->focusWidget(), box);
    QVERIFY(!w.control.running);
    QCOMPARE(w.button("btnStart")->text(), QString("&Start !"));
}

void MainWindowTest::folderRefusals_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no source") << ""
                               << ""
                               << "No Source directory specified!\r\n\r\nPlease enter a valid path!"
                               << "lSourcedir";
    QTest::newRow("missing source") << "/no/such/src"
                                    << ""
                                    << "The specified folder for the Source directory\r\n/no/such/src\r\n"
                                       "does not exist!\r\n\r\nPlease enter a valid path!"
                                    << "lSourcedir";
    QTest::newRow("missing target") << "@source"
                                    << "/no/such/dst"
                                    << "The specified folder for the Target directory\r\n/no/such/dst\r\n"
                                       "does not exist!\r\n\r\nPlease enter a valid path!"
                                    << "lTargetdir";
}

void MainWindowTest::folderRefusals() {
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, focus);
    test::TempDir real;
    Window w;
    w.edit("lSourcedir")->setText(source == "@source" ? QString::fromStdString(real.path()) : source);
    w.edit("lTargetdir")->setText(target);
    w.form->btnStart_Click();
    QCOMPARE(w.ui.shown.size(), size_t(1));
    QTEST(QString::fromStdString(w.ui.shown[0].text), "message");
    QCOMPARE(w.ui.shown[0].title, std::string("Path not found"));
    QCOMPARE(w.form->focusWidget(), w.edit(focus.toLatin1().constData()));
    QVERIFY(!w.control.running);
}

void MainWindowTest::pressedToggleStaysPressed() {
    test::TempDir source;
    Window w;
    w.edit("lSourcedir")->setText(QString::fromStdString(source.path()));
    QPushButton* check1 = w.button("Check1");
    check1->click();
    QVERIFY(check1->isChecked());
    QVERIFY(!w.button("Check2")->isChecked());
    QCOMPARE(w.form->allfilesactive(), int16_t(1));
    QCOMPARE(w.form->manualactive(), int16_t(0));
    QVERIFY(w.button("btnStart")->isEnabled());
}

void MainWindowTest::enablecontrolsRestoresPreviousState() {
    test::TempDir source;
    Window w;
    w.edit("lSourcedir")->setText(QString::fromStdString(source.path()));
    w.edit("txtSearch")->setText("JPG");  // 16:9 off, manual selection on
    w.form->enablecontrols(false);
    for (const char* name : {"lSourcedir", "lTargetdir", "txtSearch", "txtRename", "txtUserString"})
        QVERIFY2(!w.edit(name)->isEnabled(), name);
    QVERIFY(!w.button("Check2")->isEnabled() && !w.button("Check1")->isEnabled());
    QVERIFY(w.button("btnStart")->isEnabled() && w.button("Command1")->isEnabled());
    w.form->enablecontrols(true);
    QVERIFY(!w.check("chkSetWS")->isEnabled());
    QVERIFY(w.button("Check2")->isEnabled());
    QVERIFY(w.check("Check3")->isEnabled() && w.button("btnSelSourcedir")->isEnabled());
    // A second pair starts from the restored state, not from the remembered one.
    w.edit("txtSearch")->setText("MOD");
    w.form->enablecontrols(false);
    w.form->enablecontrols(true);
    QVERIFY(w.check("chkSetWS")->isEnabled());
}

void MainWindowTest::statusLineFonts() {
    Window w;
    QLabel* status = w.get<QLabel>("Label3");
    const QString byline = status->text();
    QVERIFY(!byline.isEmpty());
    w.form->ShowStatus("searching for files...");
    QCOMPARE(status->text(), QString("searching for files..."));
    QVERIFY(!status->font().bold() && !status->font().italic());
    QCOMPARE(status->font().pointSizeF(), 8.0);
    w.form->ShowStatus("");
    QCOMPARE(status->text(), byline);
    QVERIFY(status->font().bold() && status->font().italic());
    QCOMPARE(status->font().pointSizeF(), 10.0);
}

void MainWindowTest::folderButtonsAndF7F8() {
    test::TempDir chosen;
    Window w(iniWith("lastsourcedir=/old/source\r\nSearchFor=MOD\r\n"));
    std::deque<std::string> answers{chosen.path(), "", chosen.path()};
    std::vector<std::pair<std::string, QString>> asked;
    w.form->setFolderChooser([&](QWidget*, const std::string& initial, const QString& title) {
        asked.emplace_back(initial, title);
        const std::string answer = answers.front();
        answers.pop_front();
        return answer;
    });
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    w.edit("txtUserString")->setFocus();
    QTest::keyClick(w.edit("txtUserString"), Qt::Key_F7);
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked[0], std::make_pair(std::string("/old/source"), QString("select source directory:")));
    QCOMPARE(w.edit("lSourcedir")->text().toStdString(), chosen.path());
    QVERIFY(w.button("btnStart")->isEnabled() && w.button("Check2")->isEnabled());
    // Cancelled: the folder stays; the chooser opens at the last existing folder.
    QTest::keyClick(w.edit("txtUserString"), Qt::Key_F7);
    QCOMPARE(asked[1].first, chosen.path());
    QCOMPARE(w.edit("lSourcedir")->text().toStdString(), chosen.path());
    QTest::keyClick(w.edit("txtSearch"), Qt::Key_F8);
    QCOMPARE(asked[2], std::make_pair(std::string(""), QString("select target directory:")));
    QCOMPARE(w.settings.targetdir, chosen.path());
    QCOMPARE(w.settings.lasttargetdir, chosen.path());
}

void MainWindowTest::enterPressesStart() {
    Window w;
    w.edit("lSourcedir")->setText("/no/such/folder");
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    w.edit("txtUserString")->setFocus();
    QTest::keyClick(w.edit("txtUserString"), Qt::Key_Return);
    QCOMPARE(w.ui.shown.size(), size_t(1));
    QCOMPARE(w.ui.shown[0].title, std::string("Path not found"));
    // On another button Enter is that button's.
    w.button("Command1")->setFocus();
    QTest::keyClick(w.button("Command1"), Qt::Key_Return);
    QCOMPARE(w.ui.shown.size(), size_t(1));
    QVERIFY(w.form->helpWindow() != nullptr);
}

void MainWindowTest::settingsWrittenOnClose() {
    test::TempDir source, target;
    Window w;
    w.form->show();
    w.edit("lSourcedir")->setText(QString::fromStdString(source.path()));
    w.edit("lTargetdir")->setText(QString::fromStdString(target.path()));
    w.edit("txtSearch")->setText("MPG");
    w.edit("txtRename")->setText("mpeg");
    w.edit("txtUserString")->setText("Trip");
    w.check("chkSetWS")->setChecked(true);
    w.check("Check3")->setChecked(true);
    w.form->move(40, 20);
    QVERIFY(w.form->close());
    const std::string ini = w.ini();
    const double dpi = w.form->screen()->logicalDotsPerInch();
    for (const std::string& expected :
         {"lastsourcedir=" + source.path(), "lasttargetdir=" + target.path(), std::string("setws=1"),
          std::string("SearchFor=MPG"), std::string("RenameTo=mpeg"), std::string("AddedText=Trip"),
          std::string("overwrite_files=1"), "xpos=" + std::to_string(pixelsToTwips(40, dpi)),
          "ypos=" + std::to_string(pixelsToTwips(20, dpi))})
        QVERIFY2(ini.find(expected) != std::string::npos, expected.c_str());
    QVERIFY(w.control.abortrequested);
}

void MainWindowTest::positionKeptWhenMinimised() {
    Window w(iniWith("xpos=1500\r\nypos=300\r\nAddedText=old\r\n"));
    w.form->show();
    w.form->showMinimized();
    QTRY_VERIFY(w.form->isMinimized());
    w.edit("txtUserString")->setText("new");
    QVERIFY(w.form->close());
    const std::string ini = w.ini();
    QVERIFY(ini.find("xpos=1500\r\nypos=300") != std::string::npos);
    QVERIFY(ini.find("AddedText=new") != std::string::npos);
}

void MainWindowTest::helpDocksAndFollows() {
    Window w;
    w.form->show();
    w.form->move(10, 30);
    w.button("Command1")->click();
    QPointer<frmHelp> help = w.form->helpWindow();
    QVERIFY(help != nullptr && help->isVisible());
    QCOMPARE(help->windowTitle(), QString("Kadrel Help"));
    const auto right = [&] { return w.form->frameGeometry().x() + w.form->frameGeometry().width(); };
    QCOMPARE(help->frameGeometry().topLeft(), QPoint(right(), 30));
    const QRect screen = w.form->screen()->geometry();
    // Right edge within the margin of the screen's edge: the help moves to the left side.
    w.form->move(screen.right() - w.form->frameGeometry().width() - 2, 50);
    QCOMPARE(help->frameGeometry().topLeft(),
             QPoint(w.form->frameGeometry().x() - help->frameGeometry().width(), 50));
    w.form->move(100, 60);
    QCOMPARE(help->frameGeometry().topLeft(), QPoint(right(), 60));
    help->close();
    QTRY_VERIFY(help == nullptr);
    w.form->move(120, 70);  // nothing to move, and nothing breaks
    w.button("Command1")->click();
    QVERIFY(w.form->helpWindow() != nullptr);
    QCOMPARE(w.form->helpWindow()->frameGeometry().topLeft(), QPoint(right(), 70));
}

}  // namespace kadrel

QTEST_MAIN(kadrel::MainWindowTest)
#include "frmmain_qtest.moc"
