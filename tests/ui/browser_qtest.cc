// The browser window offscreen: what clicks, keys and the wheel do to the page and the choice,
// the captions, the display sizes, the window kept on the screen and the file information;
// then the browser on the sample card's own thumbnails, which saves the browser pictures.
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "engine/moi_writer.h"
#include "main_window_fixture.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/manual_selection.h"
#include "ui/browser/thumbnail_browser.h"

namespace kadrel {

class BrowserWindowTest : public QObject {
    Q_OBJECT

  private:
    ThumbnailStore store;
    BrowserSettings settings;

    // files thumbnails in a window of 3 x 2 frames at "Medium".
    void makeStore(int32_t files) {
        store = ThumbnailStore();
        store.filecount = files;
        for (int32_t i = 0; i < files; ++i)
            store.filelist.push_back("/card/MOV" + std::to_string(i) + ".MOD");
        store.resetSelection();
        store.thumbnailbits.resize(static_cast<size_t>(files) * kThumbBytes);
        settings = BrowserSettings{0, 0, 4400, 7300, 1};
    }

    template <typename T = QPushButton>
    static T* child(ThumbnailBrowser& browser, const char* name) {
        return browser.findChild<T*>(name);
    }
    static int row(ThumbnailBrowser& browser) { return child<QScrollBar>(browser, "rowScrollBar")->value(); }
    static bool checked(ThumbnailBrowser& browser, int k) {
        return browser.thumbnailFrames()[k]->isChecked();
    }
    static int visibleFrames(const ThumbnailBrowser& browser) {
        return int(std::count_if(browser.thumbnailFrames().begin(), browser.thumbnailFrames().end(),
                                 [](QWidget* frame) { return frame->isVisible(); }));
    }
    /// Saves the screen where window is, popups included, as name in $KADREL_SCREENSHOTS.
    static void save(QWidget& window, const QString& name) {
        const QString dir = qEnvironmentVariable("KADREL_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        QApplication::processEvents();
        const QPixmap shot = window.screen()->grabWindow(0).copy(window.frameGeometry());
        QVERIFY(shot.save(dir + "/" + name));
    }

  private slots:
    // The frames show the choice of the files they show now, after every scroll and button;
    // the keys scroll whatever has the focus (it starts on the thumbnails), and the wheel over
    // the size list scrolls too instead of changing the size.
    void framesFollowTheChoiceKeysAndWheel() {
        makeStore(10);  // rows 1 to 3
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 6);
        QCOMPARE(browser.focusWidget(), child<QWidget>(browser, "thumbnailFocus"));
        QCOMPARE(child<QLabel>(browser, "fileCountLabel")->text(), QString("10"));
        QTest::mouseClick(browser.thumbnailFrames()[2], Qt::LeftButton);
        QTest::mouseClick(browser.thumbnailFrames()[5], Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(child<QLabel>(browser, "selectedCountLabel")->text(), QString("4"));
        QVERIFY(checked(browser, 3) && !checked(browser, 1));
        QTest::keyClick(&browser, Qt::Key_End);
        QTRY_COMPARE(visibleFrames(browser), 4);  // files 6 to 9
        QVERIFY(browser.frameCaptions()[0]->text().endsWith("6.MOD"));
        QTest::keyClick(&browser, Qt::Key_PageUp);
        QTRY_VERIFY(checked(browser, 0) && !checked(browser, 3));  // files 3 and 6
        QTest::keyClick(&browser, Qt::Key_Escape);                 // neither closes nor clears
        QVERIFY(store.currentfileindex == 3 && store.selectedcount == 4);
        QTest::mouseClick(child(browser, "selectAllButton"), Qt::LeftButton);
        QVERIFY(checked(browser, 3) && checked(browser, 5));  // files 6 and 8
        QTest::mouseClick(child(browser, "unselectAllButton"), Qt::LeftButton);
        QVERIFY(!checked(browser, 0));
        QCOMPARE(child<QLabel>(browser, "selectedCountLabel")->text(), QString("0"));
        for (const char* name :
             {"thumbnailFocus", "sizeCombo", "selectAllButton", "unselectAllButton", "acceptButton"}) {
            QWidget* focus = child<QWidget>(browser, name);
            focus->setFocus();
            for (const auto& [key, expected] :
                 {std::pair{Qt::Key_End, 3}, {Qt::Key_Home, 1}, {Qt::Key_PageDown, 2}}) {
                QTest::keyClick(focus, key);
                QVERIFY2(row(browser) == expected, name);
            }
        }
        auto* sizes = child<QComboBox>(browser, "sizeCombo");
        QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(sizes, &down);
        QVERIFY(row(browser) == 3 && sizes->currentIndex() == 1 && settings.thumbnailSize == 1);
        QTest::mouseClick(browser.thumbnailFrames()[1], Qt::LeftButton);
        browser.close();  // the close box means "cancel"
        QCOMPARE(store.selectedcount, 0);
    }

    // At "Small" the folders give way first and the file name stays whole; a caption still too
    // wide is set smaller and, if need be, shows its end.
    void captionsKeepTheFileName() {
        const QString name = "MOV001.MOD";
        makeStore(3);
        store.filelist[0] = "/media/user/CAMCORDER/SD_VIDEO/PRG001/" + name.toStdString();
        settings.thumbnailSize = 0;
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 3);
        QLabel* caption = browser.frameCaptions()[0];
        QVERIFY2(caption->text().contains(name), qPrintable(caption->text()));
        const bool tooWide = caption->fontMetrics().horizontalAdvance(caption->text()) > caption->width();
        QCOMPARE(caption->alignment().testFlag(Qt::AlignRight), tooWide);
    }

    // One 16:9 X-Large frame does not fit the stored size: the browser grows to show it, whether
    // it opens at X-Large or X-Large is chosen, and keeps the size that shows it.
    void xLargeWideGrowsTheWindowToAFrame() {
        for (int16_t stored : {int16_t{7}, int16_t{3}}) {  // 7 is out of range: "Medium"
            makeStore(10);
            store.widethumbnails = true;
            settings = BrowserSettings{0, 0, 7000, 10000, stored};
            ThumbnailBrowser browser(store, settings, nullptr);
            browser.show();
            QTRY_VERIFY(visibleFrames(browser) > 0);
            const int dpi = browser.logicalDpiX();
            if (stored == 7) {
                QCOMPARE(browser.thumbnailFrames()[0]->width(), twipsToPixels(2000, dpi));
                child<QComboBox>(browser, "sizeCombo")->setCurrentIndex(3);
            }
            QTRY_COMPARE(browser.thumbnailFrames()[0]->size(),
                         QSize(twipsToPixels(8700, dpi), twipsToPixels(5200, dpi)));
            QTRY_COMPARE(browser.grid().columns * browser.grid().rows, visibleFrames(browser));
            QCOMPARE(browser.thumbnailFrames()[0]->iconSize(), QSize(533, 300));
            QVERIFY(settings.thumbnailSize == 3 && settings.width > 10000);
        }
    }

    // The right button shows the pressed file, grown by what its companion recorded, and selects
    // nothing; the window stored for another screen, and the information near the screen's
    // edge, come back wholly onto the screen.
    void rightClickShowsTheFileInformation() {
        test::TempDir dir;
        makeStore(3);
        store.filelist = {dir.write("first.MOD", "a"), dir.write("second.MOD", "b"), dir.file("gone")};
        dir.write("first.MOI", test::moiBytes({.format = 0x50}));
        store.picturesize = {{720, 576}, {720, 480}, {0, 0}};
        settings = BrowserSettings{-90000, 120000, 60000, 90000, 1};
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        const QRect area = browser.screen()->availableGeometry();
        QVERIFY(area.contains(browser.frameGeometry()));
        QTRY_COMPARE(visibleFrames(browser), 3);
        browser.move(area.right() - browser.width() + 1, area.bottom() - browser.height() + 1);
        QPlainTextEdit* text = browser.fileInfoDialog()->infoText();
        const std::tuple<const char*, int, bool> rows[] = {
            {"720 X 576 Pixel", 12, true}, {"720 X 480 Pixel", 8, true}, {"0 X 0 Pixel", 8, false}};
        for (int k : {0, 1, 2}) {
            const auto& [size, lineCount, dated] = rows[k];
            QStringList lines;
            int hiddenLines = -1;
            QRect popup;
            QTimer::singleShot(50, [&] {
                popup = browser.fileInfoDialog()->frameGeometry();
                lines = text->toPlainText().split('\n');
                hiddenLines = text->verticalScrollBar()->maximum();
                browser.fileInfoDialog()->close();
            });
            QTest::mouseClick(browser.thumbnailFrames()[k], Qt::RightButton);
            QCOMPARE(store.currentfileindex, k);
            QCOMPARE(lines.size(), lineCount);
            QCOMPARE(lines[7], QString(size));
            QCOMPARE(!lines[4].isEmpty(), dated);
            QVERIFY(hiddenLines == 0 && area.contains(popup));
        }
        QCOMPARE(store.selectedcount, 0);
    }

    // The manual selection on the sample card, end to end: search, sort, every clip's own
    // picture; then "Small" with every clip chosen, and X-Large 16:9 with one clip and its
    // information (under Xvfb, the pictures of the user documentation).
    void browserOnTheCard() {
        test::CardFolder folder{"media/CAMCORDER"};  // where the pictures may show it
        const std::filesystem::path samples = std::string(KADREL_TEST_DATA) + "/../../samples/card";
        for (const auto& entry : std::filesystem::recursive_directory_iterator(samples)) {
            if (entry.is_regular_file())
                folder.write(std::filesystem::relative(entry.path(), samples).string(),
                             test::readAll(entry.path().string()));
        }
        Settings search;
        search.sourceDir = folder.path();
        search.searchExt = "MOD";
        SearchState state;
        RunControl control;
        SilentUi ui;
        store = ThumbnailStore();
        QVERIFY(searchSelectionFiles(store, state, search, control, ui) > 0);
        sortfilelist(store);
        QVERIFY(makeSelectionThumbnails(store, "MOD", false, control, ui));
        loadPlaceholder(store);
        for (int32_t i = 0; i < store.filecount; ++i)
            QVERIFY(store.picturesize[i][0] > 0 &&
                    !std::equal(store.placeholderbits.begin(), store.placeholderbits.end(), store.slot(i)));
        settings = BrowserSettings{30, 30, 6000, 9000, 0};
        {
            ThumbnailBrowser browser(store, settings, nullptr);
            browser.show();
            QTRY_COMPARE(browser.thumbnailFrames().size(), static_cast<size_t>(store.filecount));
            QTest::mouseClick(browser.thumbnailFrames()[0], Qt::LeftButton);
            QTest::mouseClick(browser.thumbnailFrames().back(), Qt::LeftButton, Qt::ShiftModifier);
            save(browser, "browser-small.png");
            browser.closeKeepingSelection();
        }
        QCOMPARE(store.selectedcount, store.filecount);
        store.widethumbnails = true;
        unselectAll(store);
        settings = BrowserSettings{30, 30, 12600, 18600, 3};
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_VERIFY(!browser.thumbnailFrames().empty() && browser.thumbnailFrames()[0]->isVisible());
        QTest::mouseClick(browser.thumbnailFrames()[0], Qt::LeftButton, Qt::ControlModifier);
        save(browser, "browser-xlarge-wide.png");
        QTimer::singleShot(100, [&] {
            save(browser, "browser-fileinfo.png");
            browser.fileInfoDialog()->close();
        });
        QTest::mouseClick(browser.thumbnailFrames()[0], Qt::RightButton, {}, QPoint(300, 120));
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::BrowserWindowTest)
#include "browser_qtest.moc"
