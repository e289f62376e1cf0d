// What only the real main window shows (its rules are main_controller_test.cc's): fields read
// and written back, keys, refusals focusing the field, and runs end to end (all files, aborted,
// patch mode, picked files). Saves main-run and main-selected for the README's pictures.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <chrono>
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

/// count clips, dated a day apart so their names differ.
void makeClips(const test::CardFolder& card, int count, size_t bytes) {
    for (int i = 0; i < count; ++i) {
        const std::string data(bytes, char('a' + i));
        const std::string name = "PRG00" + std::to_string(i) + "/MOV00" + std::to_string(i) + ".MOD";
        fs::last_write_time(card.write(name, data), fs::file_time_type::clock::now() - hours(24 * (i + 2)));
    }
}

/// Clicks buttonName in the next modal dialog or browser once it is on screen.
void answerModal(const char* buttonName) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, buttonName] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* browser = qobject_cast<ThumbnailBrowser*>(modal);
        if (modal == nullptr || (browser != nullptr && (browser->thumbnailFrames().empty() ||
                                                        !browser->thumbnailFrames()[0]->isVisible())))
            return;
        if (browser != nullptr) {  // the first and the last clip
            QTest::mouseClick(browser->thumbnailFrames()[0], Qt::LeftButton);
            QTest::mouseClick(browser->thumbnailFrames().back(), Qt::LeftButton, Qt::ControlModifier);
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
        Window w(
            "[Settings]\r\nlastsourcedir=/src\r\nlasttargetdir=/nowhere\r\nsetws=1\r\nSearchFor=mpg\r\n"
            "RenameTo=avi\r\nAddedText=Holiday_\r\noverwrite_files=1\r\nxpos=1500\r\nypos=750\r\n"
            "datetimeformat=yy-dd-mm\r\n");
        QStringList texts;
        for (const char* name : {"sourceFolderEdit", "targetFolderEdit", "searchExtEdit", "renameExtEdit",
                                 "userTextEdit", "exampleEdit"})
            texts << w.edit(name)->text();
        QCOMPARE(texts.join(' '), QString("/src /nowhere mpg avi Holiday_ (Example:yy-dd-mmHoliday_.avi)"));
        QVERIFY(w.check("setWideScreenBox")->isChecked() && w.check("overwriteBox")->isChecked());
        w.form->setFolderChooser([](QWidget*, const std::string&, const QString& title) {
            return title == "select source directory:" ? std::string("/picked") : std::string();
        });
        w.form->show();
        QTest::keyClick(w.edit("userTextEdit"), Qt::Key_F7);
        w.edit("userTextEdit")->setText("Trip");
        w.check("setWideScreenBox")->setChecked(false);
        w.form->showMinimized();  // a minimised window keeps the position read
        QTRY_VERIFY(w.form->isMinimized());
        QVERIFY(w.form->close());
        for (const char* written :
             {"setws=0", "AddedText=Trip", "overwrite_files=1", "xpos=1500\r\nypos=750"})
            QVERIFY2(w.ini().find(written) != std::string::npos, written);
        Window off("[Settings]\r\nxpos=-90000\r\nypos=150000\r\n");  // stored off every screen
        off.form->show();
        QVERIFY(off.form->screen()->availableGeometry().contains(off.form->frameGeometry()));
    }

    // Enter in a field is Start: the message, the bad character selected or the folder field
    // focused, and no run.
    void refusalsFocusTheField() {
        const std::tuple<const char*, QString, int, const char*> rows[] = {
            {"searchExtEdit", "M/D", 1, "Invalid character in file extension!"},
            {"userTextEdit", "my \"best\"", 3, "Invalid character in user text field!"},
            {"targetFolderEdit", "/no/such/dst", 0, "The specified folder for the Target directory"}};
        for (const auto& [name, value, bad, headline] : rows) {
            Window w;
            w.showWithCard();
            w.edit(name)->setText(value);
            QTest::keyClick(w.edit(name), Qt::Key_Return);
            QVERIFY2(w.ui.shown.size() == 1 && w.ui.shown[0].text.starts_with(headline), headline);
            QCOMPARE(w.form->focusWidget(), w.edit(name));
            QVERIFY(bad == 0 || w.edit(name)->selectedText() == value.mid(bad, 1));
            QCOMPARE(w.start()->text(), QString("&Start !"));
        }
    }

    // Three clips; the Abort click comes before the third is copied.
    void runAndAbort() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 3, 1000);
        QApplication::setActiveWindow(w.form.get());  // also without a window manager
        w.edit("userTextEdit")->setFocus();  // disabled by the run: the focus must not go to the example
        w.ui.onEvents = [&] {
            QVERIFY(w.form->focusWidget() != w.edit("exampleEdit") &&
                    !w.edit("sourceFolderEdit")->isEnabled());
            if (w.ui.progress.size() == 2)  // the last picture of the second file stays
                QVERIFY(w.form->findChild<QProgressBar*>() && test::saveShot(*w.form, "main-run"));
            if (w.ui.progress.size() == 3 && w.start()->isEnabled())
                w.start()->click();  // Abort
        };
        w.start()->click();
        QCOMPARE(filesIn(w.target.path()).size(), size_t(2));
        QVERIFY(w.ui.shown.size() == 1 && w.ui.shown[0].text.starts_with("The run was stopped."));
        w.verifyIdle();
        QCOMPARE(w.form->focusWidget(), w.start());
    }

    void patchModeOnlyAfterContinue() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 2, 1000);
        w.edit("targetFolderEdit")->setText("");
        for (const char* answer : {"abortButton", "continueButton"}) {  // Abort, then Continue
            answerModal(answer);
            w.start()->click();
        }
        QCOMPARE(w.ui.progress.size(), size_t(2));                                    // one run only
        QVERIFY(filesIn(w.card.path() + "PRG000").begin()->first.ends_with(".MPG"));  // renamed in place
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
        answerModal("acceptButton");
        w.button("manualToggle")->click();
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
        w.form->onStartClicked();
        QCOMPARE(filesIn(w.target.path()).size(), size_t(2));
        QVERIFY(w.ui.shown.size() == 1 && w.ui.shown[0].text == "No files are selected!");
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainWindowTest)
#include "main_window_qtest.moc"
