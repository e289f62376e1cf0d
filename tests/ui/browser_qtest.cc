#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "engine/moi_writer.h"
#include "support/temp_dir.h"
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
        store.fileCount = files;
        for (int32_t i = 0; i < files; ++i)
            store.fileList.push_back("/card/MOV" + std::to_string(i) + ".MOD");
        store.resetSelection();
        store.thumbnailBits.resize(static_cast<size_t>(files) * kThumbBytes);
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
  private slots:
    // The frames show the choice of the files they show now, after every scroll and button;
    // the keys scroll whatever has the focus (it starts on the thumbnails), and the wheel over
    // the size list scrolls too instead of changing the size. At "Small" the folders give way
    // first and the file name stays whole; a caption still too wide shows its end.
    void framesFollowTheChoiceKeysAndWheel() {
        makeStore(10);  // rows 1 to 3
        store.fileList[0] = "/media/user/CAMCORDER/SD_VIDEO/PRG001/MOV001.MOD";
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
        QVERIFY(store.currentFileIndex == 3 && store.selectedCount == 4);
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
        sizes->setCurrentIndex(0);
        QTest::keyClick(&browser, Qt::Key_Home);
        QTRY_COMPARE(visibleFrames(browser), 9);  // 3 x 3 at "Small"
        const QLabel* caption = browser.frameCaptions()[0];
        QVERIFY2(caption->text().contains("MOV001.MOD"), qPrintable(caption->text()));
        const bool tooWide = caption->fontMetrics().horizontalAdvance(caption->text()) > caption->width();
        QCOMPARE(caption->alignment().testFlag(Qt::AlignRight), tooWide);
        QTest::mouseClick(browser.thumbnailFrames()[1], Qt::LeftButton);
        browser.close();  // the close box means "cancel"
        QCOMPARE(store.selectedCount, 0);
    }

    // One 16:9 X-Large frame does not fit the stored size: the browser grows to show it when
    // X-Large is chosen, and keeps the size that shows it.
    void xLargeWideGrowsTheWindowToAFrame() {
        makeStore(10);
        store.wideThumbnails = true;
        settings = BrowserSettings{0, 0, 7000, 10000, 7};  // out of range: "Medium"
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_VERIFY(visibleFrames(browser) > 0);
        const int dpi = browser.logicalDpiX();
        QCOMPARE(browser.thumbnailFrames()[0]->width(), twipsToPixels(2000, dpi));
        child<QComboBox>(browser, "sizeCombo")->setCurrentIndex(3);
        QTRY_COMPARE(browser.thumbnailFrames()[0]->size(),
                     QSize(twipsToPixels(8700, dpi), twipsToPixels(5200, dpi)));
        QTRY_COMPARE(browser.grid().columns * browser.grid().rows, visibleFrames(browser));
        QCOMPARE(browser.thumbnailFrames()[0]->iconSize(), QSize(533, 300));
        QVERIFY(settings.thumbnailSize == 3 && settings.width > 10000);
    }

    // The right button shows the pressed file, grown by what its companion recorded, and selects
    // nothing; the window stored for another screen, and the information near the screen's
    // edge, come back wholly onto the screen.
    void rightClickShowsTheFileInformation() {
        test::TempDir dir;
        makeStore(3);
        store.fileList = {dir.write("first.MOD", "a"), dir.write("second.MOD", "b"), dir.file("gone")};
        dir.write("first.MOI", test::moiBytes({.format = 0x50}));
        store.pictureSizes = {{720, 576}, {720, 480}, {0, 0}};
        settings = BrowserSettings{-90000, 120000, 60000, 90000, 1};
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        const QRect area = browser.screen()->availableGeometry();
        QVERIFY(area.contains(browser.frameGeometry()));
        QTRY_COMPARE(visibleFrames(browser), 3);
        browser.move(area.right() - browser.width() + 1, area.bottom() - browser.height() + 1);
        QPlainTextEdit* text = browser.fileInfoDialog()->infoText();
        for (const auto& [k, size, lineCount, dated] : {std::tuple{0, "720 X 576 Pixel", 12, true},
                                                        {1, "720 X 480 Pixel", 8, true},
                                                        {2, "0 X 0 Pixel", 8, false}}) {
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
            QCOMPARE(store.currentFileIndex, k);
            QCOMPARE(lines.size(), lineCount);
            QCOMPARE(lines[7], QString(size));
            QCOMPARE(!lines[4].isEmpty(), dated);
            QVERIFY(hiddenLines == 0 && area.contains(popup));
        }
        QCOMPARE(store.selectedCount, 0);
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::BrowserWindowTest)
#include "browser_qtest.moc"
