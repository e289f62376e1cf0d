// The manual selection from the main window on a real card: search, thumbnails, the browser
// answered as a user would, the count on the toggle, and Start copying exactly the picked
// clips; aborts during the search and the thumbnails, a close during the thumbnails, nothing
// found and nothing picked.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "support/tempdir.h"
#include "ui/browser/frmThumbnailBrowser.h"
#include "ui/main/frmMain.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

/// Qt's seam with boxes answered by their default button and recorded, the thumbnail progress
/// recorded, and a hook on every pump of events (where a click lands during a run).
class ScriptedUi : public QtUi {
  public:
    MsgResult showMessage(const std::string& text, const std::string&, MsgIcon, MsgButtons,
                          MsgResult defaultButton) override {
        shown.push_back(text);
        return defaultButton;
    }
    void processEvents() override {
        if (onEvents)
            onEvents();
        QtUi::processEvents();
    }
    void showProgress(const std::string& text, int percent) override {
        progress.push_back(text);
        QtUi::showProgress(text, percent);
    }
    std::vector<std::string> shown;
    std::vector<std::string> progress;
    std::function<void()> onEvents;
};

/// Answers the modal browser with answer once its first frame is on screen; counts the
/// browsers seen.
class BrowserAnswer {
  public:
    explicit BrowserAnswer(std::function<void(frmThumbnailBrowser&)> answer) : answer_(std::move(answer)) {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
        poll_.start();
    }
    int shown = 0;

  private:
    void look() {
        auto* browser = qobject_cast<frmThumbnailBrowser*>(QApplication::activeModalWidget());
        if (browser == nullptr || browser->Check1.empty() || !browser->Check1[0]->isVisible())
            return;
        ++shown;
        answer_(*browser);
    }
    std::function<void(frmThumbnailBrowser&)> answer_;
    QTimer poll_;
};

/// Saves widget's picture as name.png in $KADREL_SCREENSHOTS, when that is set.
void saveShot(QWidget& widget, const char* name) {
    const QByteArray folder = qgetenv("KADREL_SCREENSHOTS");
    if (!folder.isEmpty())
        widget.grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

/// Copies the three sample clips onto card, dated so that the date order (MOV003, MOV001,
/// MOV002) differs from the order the search finds them in. Returns them in date order.
std::vector<std::string> makeCard(const test::TempDir& card) {
    const fs::path samples = fs::path(KADREL_TEST_DATA) / "../../samples/card/SD_VIDEO";
    const std::pair<const char*, int> clips[] = {{"PRG002/MOV003.MOD", 1}, {"PRG001/MOV001.MOD", 2},
                                                 {"PRG001/MOV002.MOD", 3}};
    std::vector<std::string> dated;
    for (const auto& [name, day] : clips) {
        dated.push_back(card.write(std::string("SD_VIDEO/") + name, test::readAll((samples / name).string())));
        fs::last_write_time(dated.back(), file_clock::from_sys(sys_seconds{sys_days{2021y / May / day} + 10h}));
    }
    return dated;
}

/// Contents of the files in folder by name.
std::map<std::string, std::string> filesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = test::readAll(entry.path().string());
    return files;
}

struct Window {
    test::TempDir dir, card, target;
    std::vector<std::string> clips;
    Settings settings;
    RunControl control;
    ScriptedUi ui;
    std::unique_ptr<frmMain> form;

    Window() : clips(makeCard(card)) {
        settings.inifile = dir.file("Kadrel.ini");
        form = std::make_unique<frmMain>(settings, control, ui);
        ui.setOwner(form.get());
        ui.setProgressView(form.get());
        form->Form_Load();
        form->show();
        edit("lSourcedir")->setText(QString::fromStdString(card.path()));
        edit("lTargetdir")->setText(QString::fromStdString(target.path()));
    }
    QLineEdit* edit(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(name); }
    QPushButton* start() const { return button("btnStart"); }
    QLabel* label(const char* name) const { return form->findChild<QLabel*>(name); }
    /// The state after the flow, with Start enabled or not: no progress display, the controls back.
    void verifySettled(bool startEnabled) const {
        QCOMPARE(start()->text(), QString("&Start"));
        QCOMPARE(start()->isEnabled(), startEnabled);
        QVERIFY(form->findChild<QProgressBar*>() == nullptr);
        QVERIFY(!label("Label4")->isVisibleTo(form.get()));
        QVERIFY(label("Label3")->isVisibleTo(form.get()));
        QVERIFY(edit("lSourcedir")->isEnabled() && button("Check1")->isEnabled());
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
    void pickTwoAndCopyThem();
    void abortDuringSearchDropsTheOldChoice();
    void abortDuringThumbnails();
    void closeDuringThumbnailsClosesWithoutBrowser();
    void nothingFoundOrNothingPicked();
};

void MainSelectionTest::pickTwoAndCopyThem() {
    Window w;
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
    saveShot(*w.form, "main-selected");
    w.ui.onEvents = nullptr;
    w.start()->click();
    const auto copies = filesIn(w.target.path());
    QCOMPARE(copies.size(), size_t(2));
    std::multiset<std::string> picked{test::readAll(w.clips[0]), test::readAll(w.clips[2])};
    for (const auto& [name, data] : copies)
        QVERIFY2(picked.erase(data) == 1, name.c_str());
    QVERIFY(w.ui.shown.empty());
}

void MainSelectionTest::abortDuringSearchDropsTheOldChoice() {
    Window w;
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

void MainSelectionTest::abortDuringThumbnails() {
    Window w;
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
    QVERIFY(w.edit("txtSearch")->isEnabled() && w.edit("txtUserString")->isEnabled());
}

void MainSelectionTest::closeDuringThumbnailsClosesWithoutBrowser() {
    Window w;
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
    QVERIFY(test::readAll(w.settings.inifile).find("AddedText=Trip") != std::string::npos);
}

void MainSelectionTest::nothingFoundOrNothingPicked() {
    Window w;
    BrowserAnswer answer([](frmThumbnailBrowser& browser) { browser.close(); });  // the close box
    w.edit("txtSearch")->setText("mpg");
    w.button("Check2")->click();
    QCOMPARE(answer.shown, 0);
    QCOMPARE(w.ui.shown, std::vector<std::string>{"No files with extension *.mpg were found in the specified "
                                                   "source directory and all its subfolders!"});
    w.verifySettled(false);
    w.button("Check1")->click();
    w.edit("txtSearch")->setText("MOD");
    w.button("Check2")->click();
    QCOMPARE(answer.shown, 1);
    QCOMPARE(w.button("Check2")->text(), QString("0 Files selected"));
    w.verifySettled(false);
    w.form->btnStart_Click();  // forced past the disabled button
    QCOMPARE(w.ui.shown.back(), std::string("No files are selected!"));
    QVERIFY(filesIn(w.target.path()).empty());
}

}  // namespace kadrel

QTEST_MAIN(kadrel::MainSelectionTest)
#include "main_selection_qtest.moc"
