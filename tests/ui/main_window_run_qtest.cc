// How the main window's runs end and what it asks before one writes: the summary in the status
// line and its folder button, the offer to create a missing target, the question when the
// copies need more room than the target has, and a close during a run.
#include <QApplication>
#include <QTimer>

#include "engine/moi_writer.h"
#include "main_window_fixture.h"
#include "platform/file_system.h"
#include "ui/main/input_rules.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using test::filesIn;
using test::makeClips;
using Window = test::MainWindowHarness;

/// Clicks Continue in the patch-mode warning once it is up.
void continuePatchMode() {
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal != nullptr);
        modal->findChild<QPushButton*>("continueButton")->click();
    });
}

/// The folder as the summary shows it: the home folder as "~".
std::string shown(const std::string& folder) {
    return abbreviateHome(folder, QDir::homePath().toStdString());
}

}  // namespace

class MainWindowRunTest : public QObject {
    Q_OBJECT
  private slots:
    // A copy with /W where one companion says 4:3, patch mode, and a copy that deletes its
    // originals: each says in the status line what it did, and the button opens the folder
    // the files went to.
    void summaryAfterEachKindOfRun() {
        const struct {
            const char* ini;
            bool patchMode;
            std::deque<MsgResult> answers;
            std::string (*summary)(const Window&);
            size_t originalsLeft;
        } rows[] = {
            {"[Settings]\r\nSearchFor=MOD\r\nRenameTo=MPG\r\nsetws=1\r\nuse_moi=1\r\n",
             false,
             {},
             [](const Window& w) {
                 return "3 files copied to " + shown(w.settings.targetDir) +
                        ": 2 marked 16:9, 1 left 4:3 as its .MOI says.";
             },
             3},
            {"",
             true,
             {},
             [](const Window& w) {
                 return "3 files renamed and patched in " + shown(w.settings.sourceDir) + ".";
             },
             3},
            {"[Settings]\r\nSearchFor=MOD\r\nRenameTo=MPG\r\ndeletefiles=1\r\n",
             false,
             {MsgResult::Ok, MsgResult::Ok},
             [](const Window& w) {
                 return "3 files copied to " + shown(w.settings.targetDir) + "; 3 originals deleted.";
             },
             0},
        };
        for (const auto& row : rows) {
            Window w(row.ini);
            w.showWithCard();
            makeClips(w.card, 3, 1000);
            w.card.write("PRG001/MOV001.MOI", test::moiBytes({.format = 0x50}));  // recorded 4:3
            w.ui.answers = row.answers;
            QString opened;
            w.form->setFolderOpener([&opened](const QString& folder) { opened = folder; });
            if (row.patchMode) {
                w.edit("targetFolderEdit")->setText("");
                continuePatchMode();
            }
            w.start()->click();
            w.verifyIdle();
            const std::string summary = row.summary(w);
            QCOMPARE(w.get<QLabel>("statusLabel")->text().toStdString(), summary);
            size_t originals = 0;
            for (const auto& entry : fs::recursive_directory_iterator(w.card.path()))
                originals += entry.path().extension() == ".MOD" || entry.path().extension() == ".MPG";
            QCOMPARE(originals, row.originalsLeft);
            QPushButton* folderButton = w.button("openFolderButton");
            QVERIFY(folderButton->isVisible());
            if (std::string(row.ini).find("use_moi=1") != std::string::npos)  // the picture of the README
                QVERIFY(test::saveShot(*w.form, "main-summary"));
            folderButton->click();
            QCOMPARE(opened.toStdString(), row.patchMode ? w.settings.sourceDir : w.settings.targetDir);
            w.edit("userTextEdit")->setText("_x");  // stays until the next run
            QCOMPARE(w.get<QLabel>("statusLabel")->text().toStdString(), summary);
        }
    }

    // A missing target is made, with its parents, only when the user says Yes; No (the default)
    // leaves the disk as it was and the field focused.
    void missingTargetCreatedOnlyOnYes() {
        for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
            Window w;
            w.showWithCard();
            makeClips(w.card, 1, 100);
            const std::string missing = w.target.path() + "2024/summer";
            w.edit("targetFolderEdit")->setText(w.target.typed() + "/2024/summer");
            w.ui.answers = {answer};
            w.start()->click();
            QVERIFY(w.settled());
            QVERIFY(
                w.ui.shown.size() == 1 && w.ui.shown[0].title == "Path not found" &&
                w.ui.shown[0].text.ends_with("does not exist!\r\n\r\nCreate it, with the folders above it?"));
            if (answer == MsgResult::No) {
                QVERIFY(!fs::exists(w.target.path() + "2024"));
                QCOMPARE(w.form->focusWidget(), w.edit("targetFolderEdit"));
            } else {
                QCOMPARE(filesIn(missing).size(), size_t(1));
            }
        }
    }

    // Copies larger than the target's free space: both figures are shown; No (the default)
    // writes nothing, Yes goes on (and is aborted here, the copy being a sparse giant).
    void tooLittleRoomAsksFirst() {
        for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
            Window w;
            w.showWithCard();
            int64_t available = 0;
            QCOMPARE(platform::availableBytes(w.target.path(), available), 0);
            QVERIFY(available > 0);
            const std::string clip = w.card.write("PRG001/MOV001.MOD", "");
            fs::resize_file(clip, available + (int64_t{1} << 30));
            const auto need =
                std::to_string(fs::file_size(clip)) + " bytes), but the target directory has only ";
            w.ui.answers = {answer};
            w.ui.onProgress = [&] {  // Abort, once the copy has begun
                if (!w.ui.progress.empty() && w.start()->text() == "&Abort!")
                    w.start()->click();
            };
            w.start()->click();
            QVERIFY(w.settled());
            QVERIFY(!w.ui.shown.empty() && w.ui.shown[0].title == "Not enough space");
            QVERIFY2(w.ui.shown[0].text.find(need) != std::string::npos, w.ui.shown[0].text.c_str());
            QVERIFY(w.ui.shown[0].text.ends_with(" free.\r\n\r\nCopy anyway?"));
            QCOMPARE(w.ui.progress.size(), size_t(answer == MsgResult::Yes ? 1 : 0));
            QVERIFY(filesIn(w.target.path()).empty());  // nothing left behind, not even in part
            QVERIFY(w.get<QLabel>("statusLabel")->text().endsWith("1 not done: the run was stopped."));
            w.verifyIdle();
        }
    }

    // Closing during a run stops it as Abort does and closes at once: no box about the stop,
    // the copy done so far kept, the settings written.
    void closeDuringRunClosesWithoutABox() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 3, 1000);
        test::AtEachFile closeAtSecond(w.form.get(), [&](int file) {
            if (file == 1)
                w.form->close();
        });
        w.form->setFileFaults(&closeAtSecond);
        w.start()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.form->isVisible(), 60000);  // once the run has stopped
        QVERIFY(w.ui.shown.empty());
        QCOMPARE(filesIn(w.target.path()).size(), size_t(1));
        QVERIFY(w.ini().find("lastsourcedir=") != std::string::npos);
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainWindowRunTest)
#include "main_window_run_qtest.moc"
