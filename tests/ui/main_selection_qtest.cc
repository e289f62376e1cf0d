// The manual selection from the main window on a real card: search, thumbnails, the browser
// answered as a user would, the count on the toggle, and Start copying exactly the picked
// clips; aborts during the search and the thumbnails, a close during the thumbnails, nothing
// found and nothing picked. With KADREL_SCREENSHOTS set, saves the window after a selection.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <set>

#include "mainwindow.h"
#include "ui/browser/frmThumbnailBrowser.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using test::filesIn;

/// Answers the modal browser with answer once its first frame is on screen; counts the
/// browsers seen.
class BrowserAnswer {
  public:
    explicit BrowserAnswer(std::function<void(frmThumbnailBrowser&)> answer) : answer_(std::move(answer)) {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* browser = qobject_cast<frmThumbnailBrowser*>(QApplication::activeModalWidget());
            if (browser == nullptr || browser->Check1.empty() || !browser->Check1[0]->isVisible())
                return;
            ++shown;
            answer_(*browser);
        });
        poll_.start();
    }
    int shown = 0;

  private:
    std::function<void(frmThumbnailBrowser&)> answer_;
    QTimer poll_;
};

/// A main window over a copy of the three sample clips, dated so that the date order (MOV003,
/// MOV001, MOV002) differs from the order the search finds them in; clips in date order.
struct CardWindow : test::MainWindow {
    std::vector<std::string> clips;
    CardWindow() {
        const fs::path samples = fs::path(KADREL_TEST_DATA) / "../../samples/card/SD_VIDEO";
        const std::pair<const char*, int> dated[] = {{"PRG002/MOV003.MOD", 1}, {"PRG001/MOV001.MOD", 2},
                                                     {"PRG001/MOV002.MOD", 3}};
        for (const auto& [name, day] : dated) {
            clips.push_back(card.write(std::string("SD_VIDEO/") + name, test::readAll((samples / name).string())));
            fs::last_write_time(clips.back(), file_clock::from_sys(sys_seconds{sys_days{2021y / May / day} + 10h}));
        }
        showWithCard();
    }
    /// After the flow: idle, the manual toggle pressed and no abort left behind.
    void verifySettled(bool startEnabled) const {
        verifyIdle(startEnabled);
        QVERIFY(button("Check2")->isChecked() && button("Check2")->isEnabled());
        QVERIFY(!control.abortrequested);
    }
};

/// Picks the first and the last clip in the browser and accepts.
void pickFirstAndLast(frmThumbnailBrowser& browser) {
    QTest::mouseClick(browser.Check1[0], Qt::LeftButton);
    QTest::mouseClick(browser.Check1.back(), Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseClick(browser.Command3, Qt::LeftButton);
}

}  // namespace

class MainSelectionTest : public QObject {
    Q_OBJECT
  private slots:
    void pickTwoAndCopyThem() {
        CardWindow w;
        QString busyCaption;
        int barAtSecond = -1;
        w.ui.onEvents = [&] {
            if (busyCaption.isEmpty() && w.start()->isEnabled())
                busyCaption = w.start()->text();
            if (w.ui.progress.size() == 2 && w.form->findChild<QProgressBar*>() != nullptr)
                barAtSecond = w.form->findChild<QProgressBar*>()->value();
        };
        BrowserAnswer answer(pickFirstAndLast);
        w.button("Check2")->click();
        QCOMPARE(answer.shown, 1);
        QCOMPARE(busyCaption, QString("&Abort"));
        QCOMPARE(w.ui.progress, (std::vector<std::string>{"creating Thumbnail 1 of 3", "creating Thumbnail 2 of 3",
                                                          "creating Thumbnail 3 of 3"}));
        QCOMPARE(barAtSecond, 66);
        QCOMPARE(w.form->store().filelist, w.clips);  // in date order
        QCOMPARE(w.button("Check2")->text(), QString("2 Files selected"));
        QVERIFY(!w.button("Check1")->isChecked());
        w.verifySettled(true);
        QVERIFY(test::saveShot(*w.form, "main-selected"));
        w.ui.onEvents = nullptr;
        w.start()->click();
        const auto copies = filesIn(w.target.path());
        QCOMPARE(copies.size(), size_t(2));
        std::multiset<std::string> picked{test::readAll(w.clips[0]), test::readAll(w.clips[2])};
        for (const auto& [name, data] : copies)
            QVERIFY2(picked.erase(data) == 1, name.c_str());
        QVERIFY(w.ui.shown.empty());
    }

    void abortDuringSearchDropsTheOldChoice() {
        CardWindow w;
        BrowserAnswer answer(pickFirstAndLast);
        w.button("Check2")->click();
        QCOMPARE(w.form->selectedcount(), 2);
        w.button("Check1")->click();
        w.ui.progress.clear();
        w.ui.onEvents = [&] {
            if (w.start()->text() == "&Abort")
                w.start()->click();
        };
        w.button("Check2")->click();
        QCOMPARE(answer.shown, 1);
        QVERIFY(w.ui.progress.empty());  // no thumbnails
        QCOMPARE(w.form->selectedcount(), 0);
        QCOMPARE(w.form->manualactive(), int16_t(1));
        w.verifySettled(false);
        // A folder typed afterwards must not bring back a Start over the list that was dropped.
        w.edit("lSourcedir")->setText(QString::fromStdString(w.card.path() + "SD_VIDEO"));
        QVERIFY(!w.start()->isEnabled());
    }

    void abortDuringThumbnails() {
        CardWindow w;
        BrowserAnswer answer(pickFirstAndLast);
        w.ui.onEvents = [&] {
            if (w.ui.progress.size() == 2 && w.start()->text() == "&Abort")
                w.start()->click();
        };
        w.button("Check2")->click();
        QCOMPARE(answer.shown, 0);
        QCOMPARE(w.ui.progress.size(), size_t(2));
        QCOMPARE(w.button("Check2")->text(), QString("&Manual Selection"));
        QCOMPARE(w.form->selectedcount(), 0);
        w.verifySettled(false);
        QVERIFY(w.edit("txtSearch")->isEnabled());
    }

    void closeDuringThumbnailsClosesWithoutBrowser() {
        CardWindow w;
        w.edit("txtUserString")->setText("Trip");
        BrowserAnswer answer(pickFirstAndLast);
        w.ui.onEvents = [&] {
            if (w.ui.progress.size() == 1)
                w.form->close();
        };
        w.button("Check2")->click();
        QTRY_VERIFY(!w.form->isVisible());
        QCOMPARE(answer.shown, 0);
        QCOMPARE(w.ui.progress.size(), size_t(1));
        QVERIFY(w.ini().find("AddedText=Trip") != std::string::npos);
    }

    void nothingFoundOrNothingPicked() {
        CardWindow w;
        BrowserAnswer answer([](frmThumbnailBrowser& browser) { browser.close(); });  // the close box
        w.edit("txtSearch")->setText("mpg");
        w.button("Check2")->click();
        QCOMPARE(answer.shown, 0);
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QCOMPARE(w.ui.shown[0].text, std::string("No files with extension *.mpg were found in the specified "
                                                 "source directory and all its subfolders!"));
        w.verifySettled(false);
        w.button("Check1")->click();
        w.edit("txtSearch")->setText("MOD");
        w.button("Check2")->click();
        QCOMPARE(answer.shown, 1);
        QCOMPARE(w.button("Check2")->text(), QString("0 Files selected"));
        w.verifySettled(false);
        w.form->btnStart_Click();  // forced past the disabled button
        QCOMPARE(w.ui.shown.back().text, std::string("No files are selected!"));
        QVERIFY(filesIn(w.target.path()).empty());
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainSelectionTest)
#include "main_selection_qtest.moc"
