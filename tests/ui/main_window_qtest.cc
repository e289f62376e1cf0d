// With KADREL_SCREENSHOTS set it saves the pictures of every window there.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <set>

#include "main_window_fixture.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/thumbnail_browser.h"
#include "ui/dialogs/help_window.h"
#include "ui/dialogs/patch_mode_warning.h"

namespace kadrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using test::filesIn;
using test::makeClips;
using Window = test::MainWindowHarness;

/// Where scroll shows its contents on the screen.
QRect view(const QScrollArea* scroll) {
    return {scroll->viewport()->mapToGlobal(QPoint(0, 0)), scroll->viewport()->size()};
}

/// Clicks buttonName in the next modal dialog or browser once it is on screen.
void answerModal(const char* buttonName) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, buttonName] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* browser = qobject_cast<ThumbnailBrowser*>(modal);
        if (modal == nullptr || (browser != nullptr && !browser->model()->isDrawn(0)))
            return;
        if (browser != nullptr) {  // the first and the last clip
            const auto rowAt = [browser](int row) {
                return browser->view()->visualRect(browser->model()->index(row)).center();
            };
            QTest::mouseClick(browser->view()->viewport(), Qt::LeftButton, {}, rowAt(0));
            QTest::mouseClick(browser->view()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              rowAt(browser->model()->rowCount() - 1));
        }
        modal->findChild<QPushButton*>(buttonName)->click();
        poll->deleteLater();
    });
    poll->start(5);
}

/// The browser on the thumbnails of a selection: "Small" with every clip chosen, then X-Large
/// 16:9 with one clip and its information, the keyboard's current thumbnail on the second.
/// Saves the browser's pictures as the screen shows them, popups included.
void browserPictures(ThumbnailStore store) {
    const auto save = [](QWidget& window, const char* name) {
        QApplication::processEvents();
        const QPixmap shot = window.screen()->grabWindow(0).copy(window.frameGeometry());
        QVERIFY(qEnvironmentVariableIsEmpty("KADREL_SCREENSHOTS") ||
                shot.save(qEnvironmentVariable("KADREL_SCREENSHOTS") + "/" + name + ".png"));
    };
    const auto drawn = [](const ThumbnailBrowser& browser) {  // every clip shows its own picture
        const ThumbnailModel& model = *browser.model();
        for (int row = 0; row < model.rowCount(); ++row)
            if (!model.isDrawn(row) || model.index(row).data(ThumbnailModel::ThumbnailRole).isNull())
                return false;
        return true;
    };
    const auto click = [](ThumbnailBrowser& browser, int row, Qt::MouseButton button,
                          Qt::KeyboardModifiers keys) {
        QTest::mouseClick(browser.view()->viewport(), button, keys,
                          browser.view()->visualRect(browser.model()->index(row)).center());
    };
    test::TempDir cache;
    const auto source = [&cache] {
        return ThumbnailSource{decodingGrabber(), QString::fromStdString(cache.path()), thumbnailWorkers()};
    };
    BrowserSettings settings{30, 30, 6000, 9000, 0};
    {
        ThumbnailBrowser browser(store, settings, nullptr, nullptr, source());
        browser.show();
        QTRY_VERIFY_WITH_TIMEOUT(drawn(browser), 60000);  // thumbnails come from worker threads
        click(browser, 0, Qt::LeftButton, {});
        click(browser, 2, Qt::LeftButton, Qt::ShiftModifier);
        QTest::keyClick(browser.view(), Qt::Key_Left);
        save(browser, "browser-small");
    }
    store.wideThumbnails = true;
    unselectAll(store);
    settings = BrowserSettings{30, 30, 12600, 18600, 3};
    ThumbnailBrowser browser(store, settings, nullptr, nullptr, source());
    browser.show();
    QTRY_VERIFY_WITH_TIMEOUT(drawn(browser), 60000);
    click(browser, 0, Qt::LeftButton, Qt::ControlModifier);
    QTest::keyClick(browser.view(), Qt::Key_Right);
    save(browser, "browser-xlarge-wide");
    QTimer::singleShot(100, [&] {
        save(browser, "browser-fileinfo");
        browser.fileInfoDialog()->close();
    });
    click(browser, 0, Qt::RightButton, {});
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void fieldsReadAndWrittenBack() {
        Window w(
            "[Settings]\r\nlastsourcedir=/src\r\nlasttargetdir=/nowhere\r\nsetws=1\r\nSearchFor=mpg\r\n"
            "RenameTo=avi\r\nAddedText=Holiday_\r\noverwrite_files=1\r\nmanifest=1\r\nxpos=1500\r\nypos="
            "750\r\n"
            "datetimeformat=yy-dd-mm\r\n");
        QStringList texts;
        for (const char* name : {"sourceFolderEdit", "targetFolderEdit", "searchExtEdit", "renameExtEdit",
                                 "userTextEdit", "exampleEdit"})
            texts << w.edit(name)->text();
        QCOMPARE(texts.join(' '), QString("/src /nowhere mpg avi Holiday_ (Example:yy-dd-mmHoliday_.avi)"));
        QVERIFY(w.check("setWideScreenBox")->isChecked() && w.check("overwriteBox")->isChecked() &&
                w.check("manifestBox")->isChecked());
        w.form->setFolderChooser([](QWidget*, const std::string&, const QString& title) {
            return title == "select source directory:" ? std::string("/picked") : std::string();
        });
        w.form->show();
        QApplication::setActiveWindow(w.form.get());  // shortcuts reach active windows only
        QTest::keyClick(w.edit("userTextEdit"), Qt::Key_F7);
        w.edit("userTextEdit")->setText("Trip");
        w.check("setWideScreenBox")->setChecked(false);
        w.form->showMinimized();  // a minimised window keeps the position read
        QTRY_VERIFY(w.form->isMinimized());
        QVERIFY(w.form->close());
        for (const char* written : {"lastsourcedir=/picked", "setws=0", "AddedText=Trip", "overwrite_files=1",
                                    "xpos=1500\r\nypos=750"})
            QVERIFY2(w.ini().find(written) != std::string::npos, written);
        Window off("[Settings]\r\nxpos=-90000\r\nypos=150000\r\n");  // stored off every screen
        off.form->show();
        QVERIFY(off.form->screen()->availableGeometry().contains(off.form->frameGeometry()));
    }

    // The window carries the program's icon, drawn (the SVG plugin is there) at task-bar size.
    // Enter in a field is Start: the message, the bad character selected or the folder field
    // focused, and no run.
    void iconAndRefusalsFocusingTheField() {
        const std::tuple<const char*, QString, int, const char*> rows[] = {
            {"searchExtEdit", "M/D", 1, "Invalid character in file extension!"},
            {"userTextEdit", "my \"best\"", 3, "Invalid character in user text field!"},
            {"targetFolderEdit", "/no/such/dst", 0, "The specified folder for the Target directory"}};
        for (const auto& [name, value, bad, headline] : rows) {
            Window w;
            w.showWithCard();
            w.edit("userTextEdit")->setText("Holiday_");
            QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
            QVERIFY(test::saveShot(*w.form, "main-idle"));
            const QImage icon = w.form->windowIcon().pixmap(32, 32).toImage();
            QVERIFY(qAlpha(icon.pixel(16, 16)) > 0 || qAlpha(icon.pixel(10, 20)) > 0);
            w.edit(name)->setText(value);
            QTest::keyClick(w.edit(name), Qt::Key_Return);
            QVERIFY2(w.ui.shown.size() == 1 && w.ui.shown[0].text.starts_with(headline), headline);
            QCOMPARE(w.form->focusWidget(), w.edit(name));
            QVERIFY(bad == 0 || w.edit(name)->selectedText() == value.mid(bad, 1));
            QCOMPARE(w.start()->text(), QString("&Start !"));
        }
    }

    // Every control can be reached on the screen the window opens on: the window lies inside
    // the available area, Start and "?" show at once, each other control where the scroll area
    // shows it; so does the help. At the designed size nothing scrolls; on a 1024x600 screen at
    // scale 2 (the ctest entry main_window_small_screen) the fields do. Wider, the window widens
    // the folder fields.
    void fitsTheScreen() {
        Window w;
        w.showWithCard();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        const bool small = qEnvironmentVariable("QT_SCALE_FACTOR") == "2";
        const QRect area = w.form->screen()->availableGeometry();
        QVERIFY(!small || area.height() <= 300);
        QVERIFY(area.contains(w.form->frameGeometry()));
        auto* scroll = w.get<QScrollArea>("scrollArea");
        QCOMPARE(scroll->verticalScrollBar()->isVisible(), small);
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());  // a short screen scrolls up and down only
        const auto shownOnScreen = [&](QWidget* control, const QRect& view) {
            const QRect rect(control->mapToGlobal(QPoint(0, 0)), control->size());
            return control->isVisible() && area.contains(rect) && view.contains(rect);
        };
        for (QWidget* control :
             {static_cast<QWidget*>(w.start()), static_cast<QWidget*>(w.button("helpButton"))})
            QVERIFY2(shownOnScreen(control, w.form->frameGeometry()), qPrintable(control->objectName()));
        if (small && !qEnvironmentVariableIsEmpty("KADREL_SCREENSHOTS"))
            QVERIFY(w.form->screen()->grabWindow(0).save(qEnvironmentVariable("KADREL_SCREENSHOTS") +
                                                         "/main-small-screen.png"));
        for (QWidget* control : scroll->widget()->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(w.form.get()) || control->objectName().isEmpty())
                continue;
            scroll->ensureWidgetVisible(control, 0, 0);
            QVERIFY2(shownOnScreen(control, view(scroll)), qPrintable(control->objectName()));
        }
        QApplication::setActiveWindow(w.form.get());
        w.check("overwriteBox")->setFocus();  // scrolled to the end, Alt+O scrolls back to Source
        QTest::keyClick(w.form.get(), Qt::Key_O, Qt::AltModifier);
        QVERIFY(shownOnScreen(w.edit("sourceFolderEdit"), view(scroll)) &&
                w.edit("sourceFolderEdit")->hasFocus());
        w.button("helpButton")->click();
        QVERIFY(area.contains(w.form->findChild<HelpWindow*>()->frameGeometry()));
        QLineEdit* source = w.edit("sourceFolderEdit");
        const int narrow = source->width();
        w.form->resize(w.form->width() + 100, w.form->height());
        QTRY_VERIFY(source->width() >= narrow + 98);  // scaled pixels may round away one or two
    }

    // Focus starts in Source; Enter starts a run from a text box, a check box or a mode toggle
    // (each run adds a copy with a running number). The byline says what a run will do.
    void focusEnterAndByline() {
        Window w;
        makeClips(w.card, 1, 100);
        w.showWithCard();
        QApplication::setActiveWindow(w.form.get());
        QTRY_COMPARE(QApplication::focusWidget(), w.edit("sourceFolderEdit"));
        QLabel* status = w.get<QLabel>("statusLabel");
        QCOMPARE(status->text(), QString("clips to disk, named by date"));
        size_t runs = 0;
        for (const char* name : {"sourceFolderEdit", "renameExtEdit", "overwriteBox", "manualToggle"}) {
            w.form->findChild<QWidget*>(name)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(w.settled());
            QVERIFY2(filesIn(w.target.path()).size() == ++runs, name);
            w.verifyIdle();
        }
        w.edit("targetFolderEdit")->setText("");
        QCOMPARE(status->text(), QString("originals renamed and patched in place"));
        w.edit("targetFolderEdit")->setText(w.target.typed());
        QCOMPARE(status->text(), QString("clips to disk, named by date"));
        QVERIFY(w.ui.shown.empty());
    }

    // The main window's "?" opens the help and closes it again; Escape closes it too.
    void helpClosesByEscapeAndQuestionMark() {
        Window w;
        w.form->show();
        QPushButton* question = w.button("helpButton");
        for (const char* how : {"?", "Escape"}) {
            question->click();
            QPointer<HelpWindow> help = w.form->findChild<HelpWindow*>();
            QVERIFY(help != nullptr && help->isVisible());
            if (how == std::string("?"))
                question->click();
            else
                QTest::keyClick(help, Qt::Key_Escape);
            QVERIFY2(help == nullptr || !help->isVisible(), how);
            QTRY_VERIFY(help == nullptr);
        }
    }

    // Three clips; the Abort click comes as the third begins to copy.
    void runAndAbort() {
        Window w;
        w.showWithCard();
        makeClips(w.card, 3, 1000);
        QApplication::setActiveWindow(w.form.get());  // also without a window manager
        w.edit("userTextEdit")->setFocus();  // disabled by the run: the focus must not go to the example
        w.ui.onProgress = [&] {
            QVERIFY(w.form->focusWidget() != w.edit("exampleEdit") &&
                    !w.edit("sourceFolderEdit")->isEnabled());
            if (w.ui.progress.size() == 1)  // Enter is no Abort, wherever the focus is
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            if (w.ui.progress.size() == 2)  // the last picture of the second file stays
                QVERIFY(w.form->findChild<QProgressBar*>() && test::saveShot(*w.form, "main-run"));
        };
        test::AtEachFile abortAtThird(w.form.get(), [&](int file) {
            if (file == 2)
                w.start()->click();
        });
        w.form->setFileFaults(&abortAtThird);
        w.start()->click();
        QVERIFY(w.settled());
        QVERIFY(abortAtThird.ranOffGuiThread());
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
            QVERIFY(w.settled());
        }
        QCOMPARE(w.ui.progress.size(), size_t(2));                                    // one run only
        QVERIFY(filesIn(w.card.path() + "PRG000").begin()->first.ends_with(".MPG"));  // renamed in place
    }

    // The sample clips, dated so that the date order differs from the order they are found in;
    // their thumbnails also make the browser's pictures.
    void pickTwoInTheBrowserAndCopyThem() {
        Window w;
        const fs::path samples = fs::path(KADREL_TEST_DATA) / "../../samples/card/SD_VIDEO";
        std::vector<std::string> clips;
        for (const char* name : {"PRG001/MOV002.MOD", "PRG001/MOV001.MOD", "PRG002/MOV003.MOD"}) {
            clips.push_back(
                w.card.write(std::string("SD_VIDEO/") + name, test::readAll((samples / name).string())));
            const auto day = sys_days{2021y / May / int(clips.size())} + 10h;
            fs::last_write_time(clips.back(), file_clock::from_sys(sys_seconds{day}));
        }
        w.showWithCard();
        answerModal("acceptButton");
        w.button("manualToggle")->click();
        QVERIFY(w.settled());
        QCOMPARE(w.form->store().fileList, clips);
        QCOMPARE(w.button("manualToggle")->text(), QString("2 Files selected"));
        QCOMPARE(w.form->focusWidget(), w.start());
        w.verifyIdle();
        QVERIFY(test::saveShot(*w.form, "main-selected"));
        browserPictures(w.form->store());
        w.start()->click();
        QVERIFY(w.settled());
        std::multiset<std::string> copies;
        for (const auto& [name, data] : filesIn(w.target.path()))
            copies.insert(data);
        QCOMPARE(copies, (std::multiset<std::string>{test::readAll(clips[0]), test::readAll(clips[2])}));
        // An edit of the source drops the list itself: even a forced Start copies nothing of it.
        w.edit("sourceFolderEdit")->setText(w.card.typed() + "SD_VIDEO");
        w.form->onStartClicked();
        QVERIFY(w.settled());
        QCOMPARE(filesIn(w.target.path()).size(), size_t(2));
        QVERIFY(w.ui.shown.size() == 1 && w.ui.shown[0].text == "No files are selected!");
    }

    // The close box, Escape and Enter do not go on (the buttons are the patch-mode test's):
    // Abort has the focus and is the default, so a stray Enter never starts patch mode.
    void warningAnswers() {
        for (const char* action : {"close", "escape", "enter"}) {
            RunControl control;
            control.warningContinue = true;  // ask() must not trust a stale answer
            bool abortFirst = false;
            QTimer::singleShot(0, [action, &abortFirst] {
                auto* dialog = qobject_cast<PatchModeWarning*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                auto* abort = dialog->findChild<QPushButton*>("abortButton");
                abortFirst = dialog->focusWidget() == abort && abort->isDefault();
                QVERIFY(test::saveShot(*dialog, "warning"));
                QCOMPARE(
                    dialog->findChild<QLabel*>("patchModeLabel")->text(),
                    "This brings kadrel into the \"WS-flag patch mode\". In this mode nothing is copied: "
                    "the original files are renamed to the new names in their folders and changed in place.");
                QVERIFY(
                    dialog->findChild<QLabel*>("flagLabel")->text().contains("the risk to lose these files"));
                if (action == std::string("close"))
                    dialog->close();
                else
                    QTest::keyClick(dialog->focusWidget(),
                                    action == std::string("enter") ? Qt::Key_Return : Qt::Key_Escape);
            });
            QVERIFY2(!PatchModeWarning::ask(control) && !control.warningContinue && abortFirst, action);
        }
    }

    // Page 2 shows the values in force, also when they change while the window is open;
    // closing clears the caller's flag.
    void helpPages() {
        Settings settings;
        settings.sdeMode = SdeMode::SequenceHeaderSize;
        settings.rdiPckMode = RdiPckMode::Keep;
        bool helpVisible = true;
        auto* help = new HelpWindow(settings, helpVisible, nullptr);
        help->show();
        QVERIFY(test::saveShot(*help, "help-1"));
        auto* page = help->findChild<QPushButton*>("pageButton");
        QLabel* text = help->findChild<QLabel*>("pageTextLabel");
        settings.dateFormatName = "yyyymmdd_HHMMSS";
        page->click();
        QVERIFY(
            text->text().endsWith("Currently set: modify_sde=2, modify_rdi-pck=0, TextbeforeDate=0,\n"
                                  "deletefiles=0, use_modificationtime=0, use_moi=0, "
                                  "debugmode=0,\ndatetimeformat=yyyymmdd_HHMMSS"));
        for (const char* key :
             {"\nmodify_sde=x", "\nmodify_rdi-pck=x", "\nTextbeforeDate=x", "\ndeletefiles=x",
              "\nuse_modificationtime=x", "\nuse_moi=x", "\ndebugmode=x", "\ndatetimeformat="})
            QVERIFY2(text->text().contains(key), key);  // each key explained on a line of its own
        QVERIFY(!text->text().contains("undocumented") && !text->text().contains("modify_pes"));
        QVERIFY(test::saveShot(*help, "help-2"));
        settings.textBeforeDate = settings.useMoi = true;
        settings.timeSource = TimeSource::Earlier;
        page->click();
        page->click();
        QVERIFY(text->text().contains("TextbeforeDate=1,") &&
                text->text().contains("use_modificationtime=2, use_moi=1"));
        QPointer<HelpWindow> guard = help;
        help->close();
        QVERIFY(!helpVisible);
        QTRY_VERIFY(guard == nullptr);
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::MainWindowTest)
#include "main_window_qtest.moc"
