// The manual selection from the main window on a real card: search, thumbnails, the browser
// answered as a user would, the count on the toggle, and Start copying exactly the picked
// clips; the dead ends (nothing found, aborts, a discarded browser) and the way on from them,
// a selection dropped by editing the fields, and a close during the thumbnails. With
// KADREL_SCREENSHOTS set, saves the window after a selection.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <set>

#include "main_window_fixture.h"
#include "ui/browser/thumbnail_browser.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using test::filesIn;

/// Answers the modal browser with answer once its first frame is on screen; counts the
/// browsers seen.
class BrowserAnswer {
  public:
    explicit BrowserAnswer(std::function<void(ThumbnailBrowser&)> answer) : answer_(std::move(answer)) {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* browser = qobject_cast<ThumbnailBrowser*>(QApplication::activeModalWidget());
            if (browser == nullptr || browser->thumbnailFrames().empty() ||
                !browser->thumbnailFrames()[0]->isVisible())
                return;
            ++shown;
            answer_(*browser);
        });
        poll_.start();
    }
    int shown = 0;

  private:
    std::function<void(ThumbnailBrowser&)> answer_;
    QTimer poll_;
};

/// A main window over a copy of the three sample clips, dated so that the date order (MOV003,
/// MOV001, MOV002) differs from the order the search finds them in; clips in date order.
struct CardWindow : test::MainWindowHarness {
    std::vector<std::string> clips;
    CardWindow() {
        const fs::path samples = fs::path(KADREL_TEST_DATA) / "../../samples/card/SD_VIDEO";
        const std::pair<const char*, int> dated[] = {
            {"PRG002/MOV003.MOD", 1}, {"PRG001/MOV001.MOD", 2}, {"PRG001/MOV002.MOD", 3}};
        for (const auto& [name, day] : dated) {
            clips.push_back(
                card.write(std::string("SD_VIDEO/") + name, test::readAll((samples / name).string())));
            fs::last_write_time(clips.back(),
                                file_clock::from_sys(sys_seconds{sys_days{2021y / May / day} + 10h}));
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
void pickFirstAndLast(ThumbnailBrowser& browser) {
    QTest::mouseClick(browser.thumbnailFrames()[0], Qt::LeftButton);
    QTest::mouseClick(browser.thumbnailFrames().back(), Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseClick(browser.findChild<QPushButton*>("acceptButton"), Qt::LeftButton);
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
        QCOMPARE(w.ui.progress,
                 (std::vector<std::string>{"creating Thumbnail 1 of 3", "creating Thumbnail 2 of 3",
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

    // Nothing found, an abort during the search or the thumbnails, or a browser closed with its
    // close box: the manual toggle stays pressed with Start off, the earlier choice is gone,
    // and a click on the pressed toggle searches again.
    void deadEndsLeaveAWorkingToggle() {
        enum End { NothingFound, AbortSearch, AbortThumbnails, BrowserClosed };
        for (End end : {NothingFound, AbortSearch, AbortThumbnails, BrowserClosed}) {
            CardWindow w;
            int browsers = 0;
            BrowserAnswer answer([&](ThumbnailBrowser& browser) {
                if (++browsers == 2 && end == BrowserClosed)
                    browser.close();
                else
                    pickFirstAndLast(browser);
            });
            w.button("Check2")->click();  // an earlier choice that the dead end must drop
            QCOMPARE(w.button("Check2")->text(), QString("2 Files selected"));
            if (end == NothingFound)
                w.edit("txtSearch")->setText("mpg");
            w.ui.onEvents = [&] {
                const bool abortNow = (end == AbortSearch && w.ui.progress.empty()) ||
                                      (end == AbortThumbnails && w.ui.progress.size() == 2);
                if (abortNow && w.start()->text() == "&Abort")
                    w.start()->click();
            };
            w.ui.progress.clear();
            w.button("Check2")->click();
            w.ui.onEvents = nullptr;
            QCOMPARE(w.form->selectedcount(), 0);
            QCOMPARE(w.button("Check2")->text(),
                     end == BrowserClosed ? QString("0 Files selected") : QString("&Manual Selection"));
            const size_t thumbnails[] = {0, 0, 2, 3};  // no file to make, none made, stopped at 2, all
            QCOMPARE(w.ui.progress.size(), thumbnails[end]);
            QCOMPARE(w.ui.shown.size(), size_t(end == NothingFound));
            w.verifySettled(false);
            w.form->btnStart_Click();  // forced past the disabled button: nothing to copy
            QVERIFY(filesIn(w.target.path()).empty());
            w.ui.shown.clear();
            w.edit("txtSearch")->setText("MOD");
            w.button("Check2")->click();
            QCOMPARE(answer.shown, end == BrowserClosed ? 3 : 2);
            QCOMPARE(w.button("Check2")->text(), QString("2 Files selected"));
            w.verifySettled(true);
            QVERIFY(w.ui.shown.empty());
        }
    }

    // Editing the source folder or the search extension after a selection drops it: the
    // toggle reads "Manual Selection" again, and Start copies nothing of the old list.
    void editingSourceOrSearchDropsTheSelection() {
        for (const char* field : {"lSourcedir", "txtSearch"}) {
            CardWindow w;
            BrowserAnswer answer(pickFirstAndLast);
            w.button("Check2")->click();
            QCOMPARE(w.form->selectedcount(), 2);
            const QString typed = w.edit(field)->text();
            w.edit(field)->setText(field == std::string("txtSearch") ? typed.toLower() : typed + "SD_VIDEO");
            QCOMPARE(w.form->selectedcount(), 0);
            QCOMPARE(w.form->store().filecount, 0);
            QCOMPARE(w.button("Check2")->text(), QString("&Manual Selection"));
            QVERIFY(w.button("Check2")->isChecked() && !w.start()->isEnabled());
            w.form->btnStart_Click();
            QCOMPARE(w.ui.shown.back().text, std::string("No files are selected!"));
            QVERIFY(filesIn(w.target.path()).empty());
        }
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
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainSelectionTest)
#include "main_selection_qtest.moc"
