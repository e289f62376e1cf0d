// Runs started from the main window: over all files found, in patch mode behind the warning,
// behind the question about picture and clip extensions, aborted half-way, and a window closed
// during a run. Runs over a picked list are in
// main_selection_qtest.cc. With KADREL_SCREENSHOTS set, saves the window during a run.
#include <QApplication>
#include <QTimer>
#include <random>

#include "main_window_fixture.h"
#include "ui/dialogs/patch_mode_warning.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using test::filesIn;

/// A card with count clips of random bytes, dated a day apart so their names differ.
std::vector<std::string> makeClips(const test::CardFolder& card, int count, size_t bytes) {
    std::mt19937 random(42);
    std::vector<std::string> clips;
    for (int i = 0; i < count; ++i) {
        std::string data(bytes, '\0');
        for (char& c : data)
            c = static_cast<char>(random());
        clips.push_back(
            card.write("PRG00" + std::to_string(i) + "/MOV00" + std::to_string(i) + ".MOD", data));
        fs::last_write_time(clips.back(),
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * (i + 2)));
    }
    return clips;
}

/// Answers the next modal patch-mode warning with the button called buttonName.
void answerWarning(const char* buttonName) {
    QTimer::singleShot(0, [buttonName] {
        auto* dialog = qobject_cast<PatchModeWarning*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        dialog->findChild<QPushButton*>(buttonName)->click();
    });
}

}  // namespace

class MainRunTest : public QObject {
    Q_OBJECT
  private slots:
    void runOverAllFiles() {
        test::MainWindowHarness w;
        w.showWithCard();
        const std::vector<std::string> clips = makeClips(w.card, 3, 1000);
        QApplication::setActiveWindow(w.form.get());  // also without a window manager
        QCOMPARE(QApplication::activeWindow(), w.form.get());
        w.edit("txtUserString")->setFocus();  // disabled by the run: the focus must not go to the example
        bool sawBar = false;
        w.ui.onEvents = [&] {
            QVERIFY(w.form->focusWidget() != w.edit("txtExample"));
            QProgressBar* bar = w.form->findChild<QProgressBar*>();
            if (bar == nullptr)
                return;
            sawBar = true;
            QVERIFY(bar->geometry().topLeft().y() > w.get<QLabel>("Label4")->y());
            if (w.ui.progress.size() == 2)  // the last picture taken during the second file stays
                test::saveShot(*w.form, "main-run");
        };
        w.start()->click();
        QVERIFY(sawBar);
        QCOMPARE(w.ui.progress, (std::vector<std::string>{"processing File 1 of 3", "processing File 2 of 3",
                                                          "processing File 3 of 3"}));
        QCOMPARE(filesIn(w.target.path()).size(), size_t(3));
        // The bar follows the bytes of the whole run, up and never back.
        QVERIFY(std::is_sorted(w.ui.percents.begin(), w.ui.percents.end()));
        QCOMPARE(w.ui.percents.back(), 100);
        for (const std::string& clip : clips)
            QVERIFY(fs::exists(clip));
        QVERIFY(w.ui.shown.empty());
        w.verifyIdle();
    }

    void abortStopsAfterTheFileInProgress() {
        test::MainWindowHarness w;
        w.showWithCard();
        makeClips(w.card, 5, 3 << 20);
        int pumpsInThird = 0;
        QString captionWhileAborting;
        w.ui.onEvents = [&] {
            // The second pump of the third file comes from inside its copy.
            if (w.ui.progress.size() == 3 && ++pumpsInThird == 2) {
                w.start()->click();
                captionWhileAborting = w.start()->text();
            }
        };
        w.start()->click();
        QCOMPARE(captionWhileAborting, QString("Please wait"));
        QCOMPARE(w.ui.progress.size(), size_t(3));
        QCOMPARE(filesIn(w.target.path()).size(), size_t(2));  // no third file, not even a partial one
        QCOMPARE(w.ui.shown.size(), size_t(1));
        QCOMPARE(w.ui.shown[0].text,
                 std::string("The run was stopped.\r\n2 of 5 files were done; 3 were not."));
        w.verifyIdle();
    }

    void closeDuringRunStopsItAndWritesSettings() {
        test::MainWindowHarness w;
        w.showWithCard();
        makeClips(w.card, 5, 1000);
        w.edit("txtUserString")->setText("Trip");
        w.ui.onEvents = [&] {
            if (w.ui.progress.size() == 2)
                w.form->close();
        };
        w.start()->click();
        QVERIFY(filesIn(w.target.path()).size() < 3);
        QTRY_VERIFY(!w.form->isVisible());
        QVERIFY(w.ini().find("AddedText=Trip") != std::string::npos);
        QVERIFY(w.ini().find("lasttargetdir=" + w.target.path()) != std::string::npos);
    }

    // Pictures that would get a clip's extension, or clips a picture's, are copied only after a
    // Yes to the question (default No); a matching pair is not asked about.
    void mismatchedExtensionsAskFirst() {
        struct Row {
            const char* search;
            const char* rename;
            bool asked;
            MsgResult answer;
        };
        const Row rows[] = {{"JPG", "MPG", true, MsgResult::No},  {"bmp", "mod", true, MsgResult::No},
                            {"MOD", "jpg", true, MsgResult::No},  {"JPG", "MPG", true, MsgResult::Yes},
                            {"MOD", "MPG", false, MsgResult::No}, {"JPG", "jpg", false, MsgResult::No}};
        for (const Row& r : rows) {
            test::MainWindowHarness w;
            w.showWithCard();
            w.card.write(std::string("DCIM/IMG0001.") + r.search, "data");
            w.edit("txtSearch")->setText(r.search);
            w.edit("txtRename")->setText(r.rename);
            w.ui.answers.push_back(r.answer);
            w.start()->click();
            QCOMPARE(w.ui.shown.size(), size_t(r.asked));
            if (r.asked) {
                QVERIFY(w.ui.shown[0].buttons == MsgButtons::YesNo &&
                        w.ui.shown[0].defaultButton == MsgResult::No);
                QVERIFY2(w.ui.shown[0].text.find(std::string("(*.") + r.search + ")") != std::string::npos,
                         w.ui.shown[0].text.c_str());
            }
            const bool copies = !r.asked || r.answer == MsgResult::Yes;
            QCOMPARE(filesIn(w.target.path()).size(), size_t(copies));
        }
    }

    void patchModeOnlyAfterContinue() {
        test::MainWindowHarness w;
        w.showWithCard();
        const std::vector<std::string> clips = makeClips(w.card, 2, 1000);
        w.edit("lTargetdir")->setText("");
        answerWarning("abortButton");
        w.start()->click();
        for (const std::string& clip : clips)
            QVERIFY(fs::exists(clip));
        QVERIFY(w.ui.progress.empty());
        QCOMPARE(w.start()->text(), QString("&Start !"));
        answerWarning("continueButton");
        w.start()->click();
        QCOMPARE(w.ui.progress.size(), size_t(2));
        for (const std::string& clip : clips)
            QVERIFY(!fs::exists(clip));  // renamed in place
        QCOMPARE(filesIn(w.card.path() + "PRG000").size(), size_t(1));
        QVERIFY(filesIn(w.card.path() + "PRG000").begin()->first.ends_with(".MPG"));
        w.verifyIdle();
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainRunTest)
#include "main_run_qtest.moc"
