// The browser window offscreen: frames on screen, mouse and key selection, keys from every
// control, size changes, captions, the window kept on screen, the close box and the file
// information window.
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
#include "ui/compact_path.h"

namespace kadrel {

class BrowserWindowTest : public QObject {
    Q_OBJECT

  private:
    ThumbnailStore store;
    BrowserSettings settings;

    // files thumbnails, each slot one grey level, in a window of 3 x 2 frames at "Medium".
    void makeStore(int32_t files) {
        store = ThumbnailStore();
        store.filecount = files;
        for (int32_t i = 0; i < files; ++i)
            store.filelist.push_back("/card/MOV" + std::to_string(i) + ".MOD");
        store.resetSelection();
        store.thumbnailbits.resize(static_cast<size_t>(files) * kThumbBytes);
        for (int32_t i = 0; i < files; ++i) {
            std::fill_n(store.thumbnailbits.begin() + static_cast<size_t>(i) * kThumbBytes, kThumbBytes,
                        static_cast<uint8_t>(i * 37));
        }
        settings = BrowserSettings{0, 0, 4400, 7300, 1};
    }

    void click(ThumbnailBrowser& browser, int k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(browser.Check1[k], Qt::LeftButton, modifiers);
    }

    static int visibleFrames(const ThumbnailBrowser& browser) {
        int count = 0;
        for (auto* frame : browser.Check1)
            count += frame->isVisible() ? 1 : 0;
        return count;
    }

  private slots:
    void selectsByMouseAndKeepsTheChoiceWhileScrollingByKeysAndWheel() {
        makeStore(10);
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 6);
        QVERIFY(browser.VScroll1->isVisible());
        QCOMPARE(browser.Label4->text(), QString("10"));
        click(browser, 2);
        click(browser, 5, Qt::ShiftModifier);
        QCOMPARE(browser.Label5->text(), QString("4"));
        QVERIFY(browser.Check1[3]->isChecked());
        QVERIFY(!browser.Check1[1]->isChecked());
        QTest::keyClick(&browser, Qt::Key_End);
        QTRY_COMPARE(visibleFrames(browser), 4);  // files 6 to 9
        QVERIFY(browser.Label7[0]->text().endsWith("6.MOD"));
        QTest::keyClick(&browser, Qt::Key_PageUp);
        QTRY_COMPARE(browser.VScroll1->value(), 2);
        QTRY_VERIFY(browser.Check1[0]->isChecked());  // file 3
        QVERIFY(!browser.Check1[3]->isChecked());     // file 6
        QTest::keyClick(&browser, Qt::Key_Escape);    // does not close or clear
        QCOMPARE(store.selectedcount, 4);
        // The wheel: a detent forward at row 1 stays at row 1.
        auto wheel = [&](int delta) {
            QWheelEvent event(QPointF(10, 10), browser.mapToGlobal(QPointF(10, 10)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&browser, &event);
        };
        for (int delta : {120, 120})
            wheel(delta);
        QCOMPARE(browser.VScroll1->value(), 1);
        wheel(-120);
        QCOMPARE(browser.VScroll1->value(), 2);
        QCOMPARE(store.currentfileindex, 3);
    }

    // Page Down, End, Page Up and Home scroll the grid whatever has the focus, and never change
    // the display size; the focus starts on the thumbnails, and the wheel over the size list
    // scrolls too.
    void keysScrollFromEveryFocus() {
        makeStore(10);  // rows 1 to 3
        for (const char* name : {"Picture1", "Combo1", "Command1", "Command2", "Command3"}) {
            ThumbnailBrowser browser(store, settings, nullptr);
            browser.show();
            QTRY_COMPARE(visibleFrames(browser), 6);
            QCOMPARE(browser.focusWidget(), browser.Picture1);
            QWidget* focus = browser.findChild<QWidget*>(name);
            focus->setFocus();
            const std::pair<Qt::Key, int> steps[] = {
                {Qt::Key_PageDown, 2}, {Qt::Key_End, 3}, {Qt::Key_PageUp, 2}, {Qt::Key_Home, 1}};
            for (const auto& [key, row] : steps) {
                QTest::keyClick(focus, key);
                QVERIFY2(browser.VScroll1->value() == row, name);
            }
            QWheelEvent down(QPointF(5, 5), browser.Combo1->mapToGlobal(QPointF(5, 5)), QPoint(),
                             QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(browser.Combo1, &down);
            QCOMPARE(browser.VScroll1->value(), 2);
            QVERIFY2(browser.Combo1->currentIndex() == 1 && settings.thumbnailSize == 1, name);
        }
    }

    // The folders give way first; the file name stays whole, and a caption still too wide
    // shows its end.
    void captionsKeepTheFileName() {
        const QFontMetrics metrics(QApplication::font());
        const QString card = "/media/user/CAMCORDER/SD_VIDEO/PRG001/", name = "MOV001.MOD";
        struct Row {
            QString path;
            int width;
            QString startsWith, endsWith;
        };
        const Row rows[] = {{card + name, 2000, card + name, name},          // fits: unchanged
                            {card + name, 200, "/media", "\u2026/" + name},  // folders cut
                            {card + name, metrics.horizontalAdvance(name) + 2, name, name},
                            {card + "a_very_long_name_of_a_clip.MOD", 40, "a_very", ".MOD"},
                            {"MOV001.MOD", 10, name, name}};
        for (const Row& r : rows) {
            const QString shown = compactPathToWidth(r.path, r.width, metrics);
            QVERIFY2(shown.startsWith(r.startsWith) && shown.endsWith(r.endsWith), qPrintable(shown));
            QVERIFY2(metrics.horizontalAdvance(shown) <= r.width || !shown.contains('/'), qPrintable(shown));
        }
        // At "Small" the caption keeps the clip's name and, when still too wide, shows its end.
        makeStore(3);
        store.filelist[0] = (card + name).toStdString();
        settings.thumbnailSize = 0;
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 3);
        QLabel* caption = browser.Label7[0];
        QVERIFY2(caption->text().contains(name), qPrintable(caption->text()));
        const bool tooWide = caption->fontMetrics().horizontalAdvance(caption->text()) > caption->width();
        QCOMPARE(caption->alignment().testFlag(Qt::AlignRight), tooWide);
    }

    void selectAllReachesFramesFilledLater() {
        makeStore(500);
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 6);
        QTest::mouseClick(browser.Command1, Qt::LeftButton);
        QCOMPARE(browser.Label5->text(), QString("500"));
        QCOMPARE(store.selectedcount, 500);
        QTest::keyClick(&browser, Qt::Key_End);
        QTRY_COMPARE(browser.VScroll1->value(), 166);
        QTRY_VERIFY(browser.Label7[0]->text().endsWith("95.MOD"));
        QCOMPARE(browser.grid().fileIndex(0), 495);
        for (int k = 0; k < visibleFrames(browser); ++k)
            QVERIFY(browser.Check1[k]->isChecked());
        QTest::mouseClick(browser.Command2, Qt::LeftButton);
        QCOMPARE(store.selectedcount, 0);
        QVERIFY(!browser.Check1[0]->isChecked());
    }

    void closeBoxClearsAndAcceptKeeps() {
        makeStore(10);
        {
            ThumbnailBrowser browser(store, settings, nullptr);
            browser.show();
            QTRY_COMPARE(visibleFrames(browser), 6);
            click(browser, 1);
            browser.close();
            QCOMPARE(store.selectedcount, 0);
        }
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 6);
        click(browser, 1);
        QTest::mouseClick(browser.Command3, Qt::LeftButton);
        QCOMPARE(browser.result(), int(QDialog::Accepted));
        QCOMPARE(store.selectedcount, 1);
        QVERIFY(store.fileselected[1]);
    }

    // At the default size one 16:9 X-Large frame does not fit: the browser grows to show it,
    // whether it opens at X-Large or X-Large is chosen.
    void xLargeWideGrowsTheWindowToAFrame() {
        for (int16_t stored : {int16_t{7}, int16_t{3}}) {  // 7 is out of range: "Medium"
            makeStore(10);
            store.widethumbnails = true;
            settings = BrowserSettings{0, 0, 7000, 10000, stored};
            ThumbnailBrowser browser(store, settings, nullptr);
            browser.show();
            QTRY_VERIFY(visibleFrames(browser) > 0);
            if (stored == 7) {
                QCOMPARE(browser.Combo1->currentIndex(), 1);
                QCOMPARE(browser.Check1[0]->width(), browser.px(2000));
                browser.Combo1->setCurrentIndex(3);
            }
            QTRY_COMPARE(browser.Check1[0]->width(), browser.px(8700));
            QTRY_VERIFY(visibleFrames(browser) > 0);
            QCOMPARE(browser.Check1[0]->height(), browser.px(5200));
            QCOMPARE(browser.Check1[0]->iconSize(), QSize(533, 300));
            QCOMPARE(settings.thumbnailSize, int16_t{3});
            QCOMPARE(browser.grid().columns * browser.grid().rows, visibleFrames(browser));
            QVERIFY(settings.width > 10000);  // the size that shows a frame is the one kept
        }
    }

    // A position and size stored for another screen, and the popup near the screen's edge, come
    // back wholly onto the screen.
    void offScreenGeometriesComeBack() {
        makeStore(10);
        settings = BrowserSettings{-90000, 120000, 60000, 90000, 1};
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        const QRect area = browser.screen()->availableGeometry();
        QVERIFY(area.contains(browser.frameGeometry()));
        QTRY_VERIFY(visibleFrames(browser) > 0);
        browser.move(area.right() - browser.width() + 1, area.bottom() - browser.height() + 1);
        QRect popup;
        QTimer::singleShot(50, [&] {
            popup = browser.picinfo->frameGeometry();
            browser.picinfo->close();
        });
        QTest::mouseClick(browser.Check1[visibleFrames(browser) - 1], Qt::RightButton);
        QVERIFY2(area.contains(popup), qPrintable(QString("%1,%2").arg(popup.right()).arg(popup.bottom())));
    }

    void rightClickShowsTheFileInformation() {
        test::TempDir dir;
        makeStore(3);
        store.filelist = {dir.write("first.MOD", "a"), dir.write("second.MOD", "b"), dir.file("gone")};
        dir.write("first.MOI", test::moiBytes({.format = 0x50}));
        store.picturesize = {{720, 576}, {720, 480}, {0, 0}};
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_COMPARE(visibleFrames(browser), 3);
        for (int k : {0, 1, 2}) {
            QString shown;
            int hiddenLines = -1;
            QTimer::singleShot(50, [&] {
                shown = browser.picinfo->Text1->toPlainText();
                hiddenLines = browser.picinfo->Text1->verticalScrollBar()->maximum();
                browser.picinfo->close();
            });
            QTest::mouseClick(browser.Check1[k], Qt::RightButton);
            QCOMPARE(store.currentfileindex, k);
            QVERIFY(!browser.picinfo->isVisible());
            const QStringList lines = shown.split('\n');
            QCOMPARE(lines.size(), k == 0 ? 12 : 8);  // what the first clip's companion recorded
            QCOMPARE(lines[0], QString("File:"));
            const QStringList tail[] = {
                {"720 X 576 Pixel", "", "Recorded:", "17/07/2009 14:18:50.000", "Length 0:00:01.44, 4:3"},
                {"720 X 480 Pixel"},
                {"0 X 0 Pixel"}};
            QCOMPARE(lines.mid(7), tail[k]);
            const char* names[] = {"first", "second", "gone"};
            QVERIFY(lines[1].contains(names[k]) || lines[1].contains(QChar(0x2026)));
            QCOMPARE(lines[4].isEmpty(), k == 2);  // no time for a missing file
            QCOMPARE(hiddenLines, 0);              // the window grows by the companion's lines
        }
        QCOMPARE(store.selectedcount, 0);
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::BrowserWindowTest)
#include "browser_qtest.moc"
