// The main window as the user meets it: first start, the enabling rules, the example name,
// the refusals at Start, the toggles, the keys, "~" in the folder fields, the settings
// written back, and the window and its docked help kept on the screen. Message boxes are answered through the
// UI seam.
#include <QScreen>
#include <deque>

#include "main_window_fixture.h"
#include "ui/dialogs/help_window.h"
#include "ui/twips.h"

namespace kadrel {
namespace {

using Window = test::MainWindowHarness;

std::string iniWith(const std::string& settingsLines) {
    return "[Settings]\r\n" + settingsLines + "[ThumbnailBrowser]\r\nxpos=0\r\n";
}

const char kRefusedTail[] = "\r\n\r\nDo not use the characters \\/:*?\"<>|";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void firstStartWritesSettingsAndCloseWritesThemBack() {
        Window w;
        QVERIFY(w.ini().find("[ThumbnailBrowser]") != std::string::npos);  // the layout: settings tests
        QVERIFY(w.ui.shown.empty());
        QCOMPARE(w.form->pos(), QPoint(0, 0));
        QCOMPARE(w.settings.dateFormatName, std::string("yyyymmdd_HHMMSS"));
        QVERIFY(!w.button("btnStart")->isEnabled());
        QVERIFY(w.button("Check1")->isChecked());
        QCOMPARE(w.form->allfilesactive(), int16_t(1));
        // The status line shows a message, then the byline again.
        QLabel* status = w.get<QLabel>("Label3");
        const QString byline = status->text();
        QVERIFY(!byline.isEmpty());
        w.form->showStatus("searching for files...");
        QCOMPARE(status->text(), QString("searching for files..."));
        w.form->showStatus("");
        QCOMPARE(status->text(), byline);
        // Everything the user set is written back on close.
        w.showWithCard();
        w.edit("txtSearch")->setText("MPG");
        w.edit("txtRename")->setText("mpeg");
        w.edit("txtUserString")->setText("Trip");
        w.check("chkSetWS")->setChecked(true);
        w.check("Check3")->setChecked(true);
        w.form->move(40, 20);
        QVERIFY(w.form->close());
        const std::string written = w.ini();
        const double dpi = w.form->screen()->logicalDotsPerInch();
        for (const std::string& expected :
             {"lastsourcedir=" + w.card.path(), "lasttargetdir=" + w.target.path(), std::string("setws=1"),
              std::string("SearchFor=MPG"), std::string("RenameTo=mpeg"), std::string("AddedText=Trip"),
              std::string("overwrite_files=1"), "xpos=" + std::to_string(pixelsToTwips(40, dpi)),
              "ypos=" + std::to_string(pixelsToTwips(20, dpi))})
            QVERIFY2(written.find(expected) != std::string::npos, expected.c_str());
        QVERIFY(w.control.abortrequested);
    }

    void loadFillsFieldsAndKeepsThePositionWhenMinimised() {
        test::TempDir source;
        Window w(iniWith("lastsourcedir=" + source.path() +
                         "\r\nlasttargetdir=/nowhere\r\nsetws=1\r\n"
                         "SearchFor=mpg\r\nRenameTo=avi\r\nAddedText=Holiday_\r\noverwrite_files=1\r\n"
                         "xpos=1500\r\nypos=750\r\ndatetimeformat=yy-dd-mm\r\n"));
        const std::pair<const char*, std::string> fields[] = {{"lSourcedir", source.path()},
                                                              {"lTargetdir", "/nowhere"},
                                                              {"txtSearch", "mpg"},
                                                              {"txtRename", "avi"},
                                                              {"txtUserString", "Holiday_"}};
        for (const auto& [name, value] : fields)
            QCOMPARE(w.edit(name)->text().toStdString(), value);
        QVERIFY(w.check("chkSetWS")->isChecked() && w.check("chkSetWS")->isEnabled());
        QVERIFY(w.check("Check3")->isChecked());
        QVERIFY(w.button("Check2")->isEnabled());
        QVERIFY(w.button("btnStart")->isEnabled());
        const double dpi = w.form->screen()->logicalDotsPerInch();
        QCOMPARE(w.form->pos(), QPoint(twipsToPixels(1500, dpi), twipsToPixels(750, dpi)));
        QCOMPARE(w.edit("txtExample")->text(), QString("(Example:yy-dd-mmHoliday_.avi)"));
        // Closed while minimised: the position read is written back, the fields as they are.
        w.form->show();
        w.form->showMinimized();
        QTRY_VERIFY(w.form->isMinimized());
        w.edit("txtUserString")->setText("new");
        QVERIFY(w.form->close());
        QVERIFY(w.ini().find("xpos=1500\r\nypos=750") != std::string::npos);
        QVERIFY(w.ini().find("AddedText=new") != std::string::npos);
    }

    void enablingRules() {
        struct Row {
            bool withSource;
            const char* search;
            bool wideScreen, manual, start;
        };
        const Row rows[] = {{true, "mod", true, true, true},    {true, "MPG", true, true, true},
                            {true, ".MOD", false, false, true}, {true, " MOD", false, false, true},
                            {true, "jpg", false, true, true},   {true, "BMP", false, true, true},
                            {true, "AVI", false, false, true},  {false, "MOD", true, false, false},
                            {false, "JPG", false, false, false}};
        for (const Row& r : rows) {
            Window w;
            w.edit("txtSearch")->setText(r.search);
            w.edit("lSourcedir")->setText(r.withSource ? QString::fromStdString(w.card.path()) : "");
            for (int pass = 0; pass < 2; ++pass) {  // typing the extension after the folder: the same
                QVERIFY2(w.check("chkSetWS")->isEnabled() == r.wideScreen, r.search);
                QVERIFY2(w.button("Check2")->isEnabled() == r.manual, r.search);
                QVERIFY2(w.button("btnStart")->isEnabled() == r.start, r.search);
                QCOMPARE(w.settings.searchExt, std::string(r.search));
                w.edit("txtSearch")->setText("x");
                w.edit("txtSearch")->setText(r.search);
            }
        }
    }

    void exampleText() {
        struct Row {
            const char* format;
            bool before, withTarget;
            const char* expected;
        };
        const Row rows[] = {
            {"yyyymmdd_HHMMSS", false, true, "(Example:yyyymmdd_HHMMSSHoliday_.MPG)"},
            {"yyyymmdd_HHMMSS", true, true, "(Example:Holiday_yyyymmdd_HHMMSS.MPG)"},
            {"yyyymmdd_HHMMSS", false, false, "(Example:\"original filename\"Holiday_.MPG)"},  // patch mode
            {"dd-mm-yy_HH-MM-SS", true, false, "(Example:Holiday_\"original filename\".MPG)"},
            {"nonsense", false, true, "(Example:\"original filename\"Holiday_.MPG)"},
            {"", false, true, "(Example:\"original filename\"Holiday_.MPG)"},
            {"  m-d-yy_H-M-S ", false, true, "(Example:m-d-yy_H-M-SHoliday_.MPG)"}};
        for (const Row& r : rows) {
            Window w(iniWith(std::string("datetimeformat=") + r.format +
                             "\r\nTextbeforeDate=" + (r.before ? "1" : "0") + "\r\nRenameTo=MPG\r\n"));
            w.edit("lTargetdir")->setText(r.withTarget ? QString::fromStdString(w.target.path()) : "");
            w.edit("txtUserString")->setText("Holiday_");
            QCOMPARE(w.edit("txtExample")->text(), QString(r.expected));
        }
        // The example follows the new extension as it is typed, not the search extension.
        Window w;
        w.edit("txtSearch")->setText("JPG");
        w.edit("txtRename")->setText("mpeg");
        QCOMPARE(w.edit("txtExample")->text(), QString("(Example:\"original filename\".mpeg)"));
    }

    // Each refusal at Start: the message, the bad character selected or the folder field focused,
    // and no run.
    void refusals() {
        struct Bad {
            const char* field;
            QString value;
            int badIndex;
            std::string headline;
        };
        const std::string ext = "Invalid character in file extension!",
                          user = "Invalid character in user text field!";
        const Bad bad[] = {{"txtSearch", "M/D", 1, ext},     {"txtSearch", "\\MOD", 0, ext},
                           {"txtRename", "MP:|", 2, ext},    {"txtUserString", "my \"best\"", 3, user},
                           {"txtSearch", "M\x01OD", 1, ext}, {"txtUserString", "a\tb", 1, user}};
        for (const Bad& b : bad) {
            Window w;
            w.edit("lSourcedir")->setText(QString::fromStdString(w.card.path()));
            w.edit("lTargetdir")->setText(QString::fromStdString(w.target.path()));
            QLineEdit* box = w.edit(b.field);
            box->setText(b.value);
            w.button("btnStart")->click();
            QCOMPARE(w.ui.shown.size(), size_t(1));
            QCOMPARE(w.ui.shown[0].text, b.headline + kRefusedTail);
            QCOMPARE(w.ui.shown[0].title, std::string("ERROR"));
            QVERIFY(w.ui.shown[0].icon == MsgIcon::Critical);
            QCOMPARE(box->selectionStart(), b.badIndex);
            QCOMPARE(box->selectedText(), b.value.mid(b.badIndex, 1));
            QCOMPARE(w.form->focusWidget(), box);
            QVERIFY(!w.control.running);
            QCOMPARE(w.button("btnStart")->text(), QString("&Start !"));
        }
        // A date format that would lead out of the target folder is refused before the run.
        Window w;
        w.showWithCard();
        w.settings.dateFormat = "yyyy/mm";
        w.form->btnStart_Click();
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QVERIFY(w.ui.shown[0].text.find("\"yyyy/mm\" would make file names like") != std::string::npos);
        QCOMPARE(w.ui.shown[0].title, std::string("ERROR"));
        QVERIFY(test::filesIn(w.target.path()).empty());
        struct Folder {
            const char* source;
            const char* target;
            std::string message;
            const char* focus;
        };
        const Folder folders[] = {
            {"", "", "No Source directory specified!\r\n\r\nPlease enter a valid path!", "lSourcedir"},
            {"/no/such/src", "",
             "The specified folder for the Source directory\r\n/no/such/src\r\n"
             "does not exist!\r\n\r\nPlease enter a valid path!",
             "lSourcedir"},
            {"@card", "/no/such/dst",
             "The specified folder for the Target directory\r\n/no/such/dst\r\n"
             "does not exist!\r\n\r\nPlease enter a valid path!",
             "lTargetdir"}};
        for (const Folder& f : folders) {
            Window w;
            const bool card = f.source == std::string("@card");
            w.edit("lSourcedir")->setText(card ? QString::fromStdString(w.card.path()) : f.source);
            w.edit("lTargetdir")->setText(f.target);
            w.form->btnStart_Click();
            QCOMPARE(w.ui.shown.size(), size_t(1));
            QCOMPARE(w.ui.shown[0].text, f.message);
            QCOMPARE(w.ui.shown[0].title, std::string("Path not found"));
            QCOMPARE(w.form->focusWidget(), w.edit(f.focus));
            QVERIFY(!w.control.running);
        }
    }

    void togglesAndEnablecontrols() {
        Window w;
        w.edit("lSourcedir")->setText(QString::fromStdString(w.card.path()));
        QPushButton* check1 = w.button("Check1");
        check1->click();  // the pressed toggle stays pressed
        QVERIFY(check1->isChecked() && !w.button("Check2")->isChecked());
        QCOMPARE(w.form->allfilesactive(), int16_t(1));
        QCOMPARE(w.form->manualactive(), int16_t(0));
        QVERIFY(w.button("btnStart")->isEnabled());
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

    void folderButtonsAndKeys() {
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
        QCOMPARE(w.settings.targetDir, chosen.path());
        QCOMPARE(w.settings.lastTargetDir, chosen.path());
        // Enter starts from a field; on another button Enter is that button's.
        w.edit("lSourcedir")->setText("/no/such/folder");
        QTest::keyClick(w.edit("txtUserString"), Qt::Key_Return);
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QCOMPARE(w.ui.shown[0].title, std::string("Path not found"));
        w.button("Command1")->setFocus();
        QTest::keyClick(w.button("Command1"), Qt::Key_Return);
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QVERIFY(w.form->helpWindow() != nullptr);
    }

    // The help docks at the main window's side and follows it, always wholly on the screen, as
    // does a main window stored at a position off every screen.
    void helpDocksAndWindowsStayOnScreen() {
        Window off(iniWith("xpos=-90000\r\nypos=150000\r\n"));
        off.form->show();
        const QRect area = off.form->screen()->availableGeometry();
        QVERIFY(area.contains(off.form->frameGeometry()));
        Window w;
        w.form->show();
        w.button("Command1")->click();
        QPointer<HelpWindow> help = w.form->helpWindow();
        QVERIFY(help != nullptr && help->isVisible());
        // Which side it docks on is the placement table's; here it follows the window's moves.
        w.form->move(area.left(), 40);
        QVERIFY(area.contains(help->frameGeometry()));
        QCOMPARE(help->frameGeometry().top(), 40);
        help->close();
        QTRY_VERIFY(help == nullptr);
        w.form->move(120, 70);  // nothing to move, and nothing breaks
        w.button("Command1")->click();
        QVERIFY(w.form->helpWindow() != nullptr);
        QCOMPARE(w.form->helpWindow()->frameGeometry().top(), 70);
    }

    // "~" and "~/..." in the folder fields name the home folder; the run and its messages use them so.
    void homeInFolderFields() {
        Window w;
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", "/home/u/");
        const std::pair<const char*, std::string> rows[] = {{"~", "/home/u"},
                                                            {"~/", "/home/u/"},
                                                            {"~/My Clips", "/home/u/My Clips"},
                                                            {"~u", "~u"},
                                                            {"a/~", "a/~"}};
        for (const auto& [typed, meant] : rows) {
            w.edit("lSourcedir")->setText(typed);
            w.edit("lTargetdir")->setText(typed);
            QCOMPARE(w.settings.sourceDir, meant);
            QCOMPARE(w.settings.targetDir, meant);
        }
        const std::filesystem::path card = std::filesystem::path(w.card.path()).parent_path();
        qputenv("HOME", card.parent_path().string().c_str());
        w.card.write("PRG001/MOV001.MOD", "clip");
        w.edit("lSourcedir")->setText(QString::fromStdString("~/" + card.filename().string()));
        w.edit("lTargetdir")->setText("~/no such folder");
        w.start()->click();
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QVERIFY(w.ui.shown[0].text.find("\r\n~/no such folder\r\n") != std::string::npos);
        w.edit("lTargetdir")->setText(QString::fromStdString(w.target.path()));
        w.start()->click();
        qputenv("HOME", savedHome);
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QCOMPARE(test::filesIn(w.target.path()).size(), size_t(1));
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainWindowTest)
#include "main_window_qtest.moc"
