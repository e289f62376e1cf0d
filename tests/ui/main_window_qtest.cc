// What only the real main window shows (its rules are main_controller_test.cc's): the fields
// read and written back, refusals with the focus and the bad character selected, the keys and
// the docked help, and runs end to end: over all files, aborted, in patch mode, and over files
// picked in the browser. With KADREL_SCREENSHOTS set, saves the window during a run and after
// a selection.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <random>
#include <set>

#include "main_window_fixture.h"
#include "ui/browser/thumbnail_browser.h"
#include "ui/dialogs/patch_mode_warning.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using test::filesIn;
using Window = test::MainWindowHarness;

/// count clips of random bytes, dated a day apart so their names differ.
void makeClips(const test::CardFolder& card, int count, size_t bytes) {
    std::mt19937 random(42);
    for (int i = 0; i < count; ++i) {
        std::string data(bytes, '\0');
        for (char& c : data)
            c = static_cast<char>(random());
        const std::string clip =
            card.write("PRG00" + std::to_string(i) + "/MOV00" + std::to_string(i) + ".MOD", data);
        fs::last_write_time(clip, fs::file_time_type::clock::now() - hours(24 * (i + 2)));
    }
}

/// Clicks buttonName in the next modal dialog or browser once it is on screen.
void answerModal(const char* buttonName) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, buttonName] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* browser = qobject_cast<ThumbnailBrowser*>(modal);
        if (modal == nullptr ||
            (browser != nullptr && (browser->Check1.empty() || !browser->Check1[0]->isVisible())))
            return;
        if (browser != nullptr) {  // the first and the last clip
            QTest::mouseClick(browser->Check1[0], Qt::LeftButton);
            QTest::mouseClick(browser->Check1.back(), Qt::LeftButton, Qt::ControlModifier);
        }
        modal->findChild<QPushButton*>(buttonName)->click();
        poll->deleteLater();
    });
    poll->start(5);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void fieldsReadAndWrittenBack() {
        test::TempDir source;
        Window w(
            "[Settings]\r\nlastsourcedir=" + source.path() +
            "\r\nlasttargetdir=/nowhere\r\nsetws=1\r\nSearchFor=mpg\r\nRenameTo=avi\r\nAddedText=Holiday_\r\n"
            "overwrite_files=1\r\nxpos=1500\r\nypos=750\r\ndatetimeformat=yy-dd-mm\r\n");
        const std::pair<const char*, std::string> fields[] = {
            {"sourceFolderEdit", source.path()},
            {"targetFolderEdit", "/nowhere"},
            {"searchExtEdit", "mpg"},
            {"renameExtEdit", "avi"},
            {"userTextEdit", "Holiday_"},
            {"exampleEdit", "(Example:yy-dd-mmHoliday_.avi)"}};
        for (const auto& [name, value] : fields)
            QCOMPARE(w.edit(name)->text().toStdString(), value);
        QVERIFY(w.check("setWideScreenBox")->isChecked() && w.check("overwriteBox")->isChecked());
        QVERIFY(w.start()->isEnabled() && w.button("manualToggle")->isEnabled());
        const double dpi = w.form->screen()->logicalDotsPerInch();
        QCOMPARE(w.form->pos(), QPoint(twipsToPixels(1500, dpi), twipsToPixels(750, dpi)));
        w.form->show();
        w.edit("userTextEdit")->setText("Trip");
        w.check("setWideScreenBox")->setChecked(false);
        w.form->showMinimized();  // a minimised window keeps the position read
        QTRY_VERIFY(w.form->isMinimized());
        QVERIFY(w.form->close());
        for (const char* expected :
             {"setws=0", "AddedText=Trip", "overwrite_files=1", "xpos=1500\r\nypos=750"})
            QVERIFY2(w.ini().find(expected) != std::string::npos, expected);
    }

    // The message, the bad character selected or the folder field focused, and no run.
    void refusalsFocusTheField() {
        const std::tuple<const char*, QString, int, const char*> rows[] = {
            {"searchExtEdit", "M/D", 1, "Invalid character in file extension!"},
            {"renameExtEdit", "MP:|", 2, "Invalid character in file extension!"},
            {"userTextEdit", "my \"best\"", 3, "Invalid character in user text field!"},
            {"sourceFolderEdit", "/no/such/src", -1, "The specified folder for the Source directory"},
            {"targetFolderEdit", "/no/such/dst", -1, "The specified folder for the Target directory"}};
        for (const auto& [name, value, bad, headline] : rows) {
            Window w;
            w.showWithCard();
            w.edit(name)->setText(value);
            w.start()->click();
            QCOMPARE(w.ui.shown.size(), size_t(1));
            QVERIFY2(w.ui.shown[0].text.starts_with(headline), w.ui.shown[0].text.c_str());
            QCOMPARE(w.form->focusWidget(), w.edit(name));
            if (bad >= 0)
                QCOMPARE(w.edit(name)->selectedText(), value.mid(bad, 1));
            QCOMPARE(w.start()->text(), QString("&Start !"));
            QVERIFY(filesIn(w.target.path()).empty());
        }
    }

    void keysAndDockedHelp() {
        Window w;
        std::vector<QString> asked;
        w.form->setFolderChooser([&](QWidget*, const std::string&, const QString& title) {
            asked.push_back(title);
            return title.contains("source") ? w.card.path() : std::string();  // the target cancelled
        });
        w.form->show();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        QTest::keyClick(w.edit("userTextEdit"), Qt::Key_F7);
        QTest::keyClick(w.edit("userTextEdit"), Qt::Key_F8);
        QCOMPARE(asked, (std::vector<QString>{"select source directory:", "select target directory:"}));
        QCOMPARE(w.edit("sourceFolderEdit")->text().toStdString(), w.card.path());
        QVERIFY(w.start()->isEnabled());
        // Enter starts from a field; on another button Enter is that button's.
        w.edit("targetFolderEdit")->setText("/no/such/folder");
        QTest::keyClick(w.edit("userTextEdit"), Qt::Key_Return);
        QCOMPARE(w.ui.shown.size(), size_t(1));
        w.button("helpButton")->setFocus();
        QTest::keyClick(w.button("helpButton"), Qt::Key_Return);
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QVERIFY(w.form->helpWindow() != nullptr);
        w.form->move(w.form->screen()->availableGeometry().left(), 40);  // the help follows
        QCOMPARE(w.form->helpWindow()->frameGeometry().top(), 40);
    }

    void runOverAllFiles() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 3, 1000);
        QApplication::setActiveWindow(w.form.get());  // also without a window manager
        w.edit("userTextEdit")->setFocus();  // disabled by the run: the focus must not go to the example
        bool sawBar = false;
        w.ui.onEvents = [&] {
            QVERIFY(w.form->focusWidget() != w.edit("exampleEdit"));
            QVERIFY(!w.edit("sourceFolderEdit")->isEnabled() && w.start()->text() == "&Abort!");
            QProgressBar* bar = w.form->findChild<QProgressBar*>();
            sawBar = sawBar || bar != nullptr;
            if (bar != nullptr && w.ui.progress.size() == 2)  // the last picture of the second file stays
                test::saveShot(*w.form, "main-run");
        };
        w.start()->click();
        QVERIFY(sawBar);
        QCOMPARE(w.ui.progress, (std::vector<std::string>{"processing File 1 of 3", "processing File 2 of 3",
                                                          "processing File 3 of 3"}));
        QVERIFY(std::is_sorted(w.ui.percents.begin(), w.ui.percents.end()) && w.ui.percents.back() == 100);
        QCOMPARE(filesIn(w.target.path()).size(), size_t(3));
        QVERIFY(w.ui.shown.empty());
        w.verifyIdle();
        QCOMPARE(w.form->focusWidget(), w.start());
    }

    void abortStopsAfterTheFileInProgress() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 5, 3 << 20);
        int pumpsInThird = 0;
        w.ui.onEvents = [&] {
            if (w.ui.progress.size() == 3 && ++pumpsInThird == 2)  // inside the third file's copy
                w.start()->click();
        };
        w.start()->click();
        QCOMPARE(filesIn(w.target.path()).size(), size_t(2));  // no third file, not even a partial one
        QCOMPARE(w.ui.shown.at(0).text,
                 std::string("The run was stopped.\r\n2 of 5 files were done; 3 were not."));
        w.verifyIdle();
    }

    void patchModeOnlyAfterContinue() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 2, 1000);
        w.edit("targetFolderEdit")->setText("");
        answerModal("Command2");  // Abort
        w.start()->click();
        QVERIFY(w.ui.progress.empty());
        answerModal("Command1");  // Continue
        w.start()->click();
        QCOMPARE(w.ui.progress.size(), size_t(2));
        QVERIFY(filesIn(w.card.path() + "PRG000").begin()->first.ends_with(".MPG"));  // renamed in place
        w.verifyIdle();
    }

    // The sample clips, dated so that the date order differs from the order they are found in.
    void pickTwoInTheBrowserAndCopyThem() {
        Window w;
        const fs::path samples = fs::path(KADREL_TEST_DATA) / "../../samples/card/SD_VIDEO";
        std::vector<std::string> clips;
        for (const char* name : {"PRG002/MOV003.MOD", "PRG001/MOV001.MOD", "PRG001/MOV002.MOD"}) {
            clips.push_back(
                w.card.write(std::string("SD_VIDEO/") + name, test::readAll((samples / name).string())));
            const auto day = sys_days{2021y / May / int(clips.size())} + 10h;
            fs::last_write_time(clips.back(), file_clock::from_sys(sys_seconds{day}));
        }
        w.showWithCard();
        answerModal("Command3");
        w.button("manualToggle")->click();
        QCOMPARE(w.ui.progress.back(), std::string("creating Thumbnail 3 of 3"));
        QCOMPARE(w.form->store().filelist, clips);
        QCOMPARE(w.button("manualToggle")->text(), QString("2 Files selected"));
        w.verifyIdle();
        QVERIFY(test::saveShot(*w.form, "main-selected"));
        w.start()->click();
        std::multiset<std::string> copies;
        for (const auto& [name, data] : filesIn(w.target.path()))
            copies.insert(data);
        QCOMPARE(copies, (std::multiset<std::string>{test::readAll(clips[0]), test::readAll(clips[2])}));
        // An edit of the source drops the list itself: even a forced Start copies nothing of it.
        w.edit("sourceFolderEdit")->setText(w.card.typed() + "SD_VIDEO");
        QCOMPARE(w.form->store().filecount, 0);
        w.form->onStartClicked();
        QCOMPARE(w.ui.shown.back().text, std::string("No files are selected!"));
        QCOMPARE(filesIn(w.target.path()).size(), size_t(2));
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainWindowTest)
#include "main_window_qtest.moc"
