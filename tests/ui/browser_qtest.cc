#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "engine/moi_writer.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "ui/browser/thumbnail_browser.h"

namespace kadrel {

// Thumbnails come from worker threads; under a sanitizer on a loaded machine they may take far
// longer than Qt's default wait of 5 s, which would fail a test that only waits.
constexpr int kWorkMs = 60000;

/// Stands in for the decoder: remembers which clips it began, in order, and, made closed, holds
/// every clip but the first `free` ones until it is opened.
struct FakeGrabber {
    explicit FakeGrabber(bool closed = false) : open(!closed) {}
    std::mutex mutex;
    std::vector<std::string> begun;
    std::atomic<bool> open;
    size_t free = 0;

    ClipGrabber grabber() {
        return [this](const std::string& path, QSize stretchTo) {
            size_t position = 0;
            {
                std::lock_guard lock(mutex);
                begun.push_back(path);
                position = begun.size();
            }
            while (!open && position > free)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            QImage picture(stretchTo, QImage::Format_RGB888);
            picture.fill(QColor::fromHsv(static_cast<int>(std::hash<std::string>()(path) % 360), 160, 200));
            return MadeThumbnail{picture, {720, 576}, false};
        };
    }
    std::vector<std::string> started() {
        std::lock_guard lock(mutex);
        return begun;
    }
};

class BrowserWindowTest : public QObject {
    Q_OBJECT

  private:
    ThumbnailStore store;
    BrowserSettings settings;
    test::TempDir cache;

    // files clips in a window of about 4 x 2 frames at "Medium".
    void makeStore(int32_t files) {
        store = ThumbnailStore();
        store.fileCount = files;
        for (int32_t i = 0; i < files; ++i)
            store.fileList.push_back("/card/MOV" + std::to_string(i) + ".MOD");
        store.resizeAndClearSelection();
        settings = BrowserSettings{0, 0, 4400, 9000, 1};
    }
    ThumbnailSource source(FakeGrabber& fake, int workers = 2) {
        return {fake.grabber(), QString::fromStdString(cache.path() + "thumbnails"), workers};
    }
    template <typename T = QPushButton>
    static T* child(ThumbnailBrowser& browser, const char* name) {
        return browser.findChild<T*>(name);
    }
    static std::vector<int32_t> chosen(const ThumbnailStore& store) {
        std::vector<int32_t> files;
        for (int32_t i = 0; i < store.fileCount; ++i) {
            if (store.fileSelected[i] != 0)
                files.push_back(i);
        }
        return files;
    }
    static bool allDrawn(const ThumbnailBrowser& browser) {
        for (int row = 0; row < browser.model()->rowCount(); ++row) {
            if (!browser.model()->isDrawn(row))
                return false;
        }
        return true;
    }
    static QPoint centre(ThumbnailBrowser& browser, int row) {
        return browser.view()->visualRect(browser.model()->index(row)).center();
    }
    static void click(ThumbnailBrowser& browser, int row, Qt::KeyboardModifiers keys = {},
                      Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(browser.view()->viewport(), button, keys, centre(browser, row));
    }

  private slots:
    // Arrows move the current thumbnail, Space toggles it, Shift and an arrow add the files
    // passed, Ctrl+A takes all; the mouse keeps its rules; Escape does nothing and Enter accepts.
    void keyboardAndMouseChoose() {
        makeStore(30);
        FakeGrabber fake;
        ThumbnailBrowser browser(store, settings, nullptr, nullptr, source(fake));
        browser.show();
        QTRY_VERIFY_WITH_TIMEOUT(allDrawn(browser), kWorkMs);
        ThumbnailView* view = browser.view();
        // Made and drawn at the screen's scaling: sharp also at 200 %.
        const QImage drawn = browser.model()->index(0).data(ThumbnailModel::ThumbnailRole).value<QImage>();
        QCOMPARE(drawn.devicePixelRatio(), browser.devicePixelRatioF());
        QCOMPARE(drawn.size(), QSize(80, 60) * browser.devicePixelRatioF());
        QCOMPARE(browser.focusWidget(), view);
        QCOMPARE(view->currentIndex().row(), 0);
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(chosen(store), (std::vector<int32_t>{1}));
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Left);
        QTest::keyClick(view, Qt::Key_Space);  // 2 off again
        QCOMPARE(chosen(store), (std::vector<int32_t>{1, 3}));
        int columns = 0;
        while (view->visualRect(browser.model()->index(columns)).top() ==
               view->visualRect(browser.model()->index(0)).top())
            ++columns;
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);  // a row down: never clears
        QCOMPARE(int(chosen(store).size()), columns + 2);
        QCOMPARE(store.currentFileIndex, 2 + columns);
        QCOMPARE(child<QLabel>(browser, "selectedCountLabel")->text(), QString::number(columns + 2));
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(store.selectedCount, 30);
        QTest::mouseClick(child(browser, "unselectAllButton"), Qt::LeftButton);
        click(browser, 2);
        click(browser, 5, Qt::ShiftModifier);
        click(browser, 3, Qt::ControlModifier);
        QCOMPARE(chosen(store), (std::vector<int32_t>{2, 4, 5}));
        QTest::keyClick(view, Qt::Key_Escape);  // neither closes nor clears
        QVERIFY(browser.isVisible());
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!browser.isVisible() && browser.result() == QDialog::Accepted);
        QCOMPARE(chosen(store), (std::vector<int32_t>{2, 4, 5}));
    }

    // Captions keep the file name and cut the folders first; only a name too long alone loses
    // its middle. The second line tells when the clip was recorded and, if known, how long it is.
    void captionsTellClipsApart() {
        const QFontMetrics metrics(QApplication::font());
        const QString path = "/media/user/CAMCORDER/SD_VIDEO/PRG00A/MOV00A.MOD";
        const int name = metrics.horizontalAdvance("MOV00A.MOD");
        for (const auto& [width, expected] : {std::pair{10000, path},
                                              {name + metrics.horizontalAdvance("/media/u…/"), "/media/"},
                                              {name, "MOV00A.MOD"}}) {
            const QString caption = captionPath(path, width, metrics);
            QVERIFY2(caption.startsWith(expected) && caption.endsWith("MOV00A.MOD"), qPrintable(caption));
            QVERIFY(metrics.horizontalAdvance(caption) <= width);
        }
        const QString squeezed = captionPath(path, name / 2, metrics);
        QVERIFY2(squeezed.startsWith("M") && squeezed.endsWith("D") && squeezed.contains(QChar(0x2026)),
                 qPrintable(squeezed));
        makeStore(2);
        store.facts = {{"20090717141850", "17/07/2009 14:18:50", 61400, RecordedAspect::Wide, false},
                       {"20090717141900", "17/07/2009 14:19:00", 0, RecordedAspect::Unknown, false}};
        FakeGrabber fake;
        ThumbnailModel model(store, fake.grabber(), QString(), 1.0, 1);
        QCOMPARE(model.index(0).data(ThumbnailModel::TimeRole).toString(),
                 QString("17/07/2009 14:18:50  1:01"));
        QCOMPARE(model.index(1).data(ThumbnailModel::TimeRole).toString(), QString("17/07/2009 14:19:00"));
    }

    // The four keys scroll a row or to an end whatever has the focus; the wheel over the size
    // list scrolls too instead of changing the size; Shift on the page's first thumbnail only
    // toggles it.
    void scrollKeysFromAnyFocus() {
        makeStore(60);
        FakeGrabber fake;
        ThumbnailBrowser browser(store, settings, nullptr, nullptr, source(fake));
        browser.show();
        QScrollBar* bar = browser.view()->verticalScrollBar();
        QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 0, kWorkMs);
        const int rowHeight = browser.view()->gridSize().height();
        for (const char* name : {"thumbnailView", "sizeCombo", "selectAllButton", "acceptButton"}) {
            QWidget* focus = child<QWidget>(browser, name);
            focus->setFocus();
            for (const auto& [key, expected] :
                 {std::pair{Qt::Key_End, bar->maximum()}, {Qt::Key_Home, 0}, {Qt::Key_PageDown, rowHeight}}) {
                QTest::keyClick(focus, key);
                QVERIFY2(bar->value() == expected, name);
            }
        }
        auto* sizes = child<QComboBox>(browser, "sizeCombo");
        QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(sizes, &down);
        QVERIFY(bar->value() == 2 * rowHeight && sizes->currentIndex() == 1);
        const int first = browser.view()->shownRows().first;
        click(browser, first - 1 + 2);             // a file before the page's first is chosen ...
        click(browser, first, Qt::ShiftModifier);  // ... yet Shift on the first only toggles it
        QCOMPARE(store.selectedCount, 2);
    }

    // The page in sight is begun before any other file, also after the page moves while the
    // first thumbnails are still being made.
    void thePageInSightComesFirst() {
        makeStore(200);
        FakeGrabber fake(true);
        ThumbnailBrowser browser(store, settings, nullptr, nullptr, source(fake));
        browser.show();
        QTRY_COMPARE_WITH_TIMEOUT(fake.started().size(), size_t(2),
                                  kWorkMs);  // both workers wait in the first files
        QTRY_VERIFY_WITH_TIMEOUT(browser.view()->verticalScrollBar()->maximum() > 0, kWorkMs);  // laid out
        const auto [top, topLast] = browser.view()->shownRows();
        QCOMPARE(top, 0);
        QTest::keyClick(browser.view(), Qt::Key_End);
        QTest::qWait(50);  // the new page reaches the workers through the event loop
        const auto [first, last] = browser.view()->shownRows();
        QVERIFY(first > topLast + 1 && last == 199);
        fake.open = true;
        QTRY_VERIFY_WITH_TIMEOUT(allDrawn(browser), kWorkMs);
        const std::vector<std::string> begun = fake.started();
        QCOMPARE(begun.size(), size_t(200));  // and each file once
        for (int32_t i = 2; i < 2 + last - first + 1; ++i) {
            const int row = std::stoi(begun[i].substr(9));
            QVERIFY2(row >= first && row <= last, begun[i].c_str());
        }
        const int firstOfRest = std::stoi(begun[2 + last - first + 1].substr(9));
        QVERIFY(firstOfRest == 0 || firstOfRest == 2);  // then the rest in order
    }

    // A second opening takes the cache's pictures; a changed file, and one of another card of the
    // same name, never show an old one. The cache is private; one that cannot be written costs
    // nothing but the memory.
    void aCacheHitAndAChangedFileThatMisses() {
        test::TempDir card;
        makeStore(2);
        store.fileList = {card.write("MOV001.MOD", "first clip"), card.write("MOV002.MOD", "second clip")};
        FakeGrabber fake;
        const auto open = [&](ThumbnailSource from) {
            ThumbnailBrowser browser(store, settings, nullptr, nullptr, std::move(from));
            browser.show();
            QTRY_VERIFY_WITH_TIMEOUT(allDrawn(browser), kWorkMs);
            const QImage drawn =
                browser.model()->index(0).data(ThumbnailModel::ThumbnailRole).value<QImage>();
            QVERIFY(!drawn.isNull() && drawn.pixelColor(5, 5) != QColor(Qt::black));
            browser.close();
        };
        open(source(fake));
        QCOMPARE(fake.started().size(), size_t(2));
        open(source(fake));
        QCOMPARE(fake.started().size(), size_t(2));  // both from the cache
        QCOMPARE(store.pictureSizes[1], (std::array<int16_t, 2>{720, 576}));
        const auto time = std::filesystem::last_write_time(store.fileList[0]);
        card.write("MOV001.MOD", "first Clip");  // the same size and time: only its bytes tell
        std::filesystem::last_write_time(store.fileList[0], time);
        open(source(fake));
        const std::vector<std::string> begun = fake.started();
        QCOMPARE(std::vector<std::string>(begun.begin() + 2, begun.end()),
                 std::vector<std::string>{store.fileList[0]});
        const QString folder = QString::fromStdString(cache.path() + "thumbnails");
        QCOMPARE(QFileInfo(folder).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ExeOwner | QFile::ReadUser |
                                                               QFile::WriteUser | QFile::ExeUser);
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
            QCOMPARE(file.permissions() & 0x7777,
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        card.write("not a folder", "");
        open({fake.grabber(), QString::fromStdString(card.path() + "not a folder/thumbnails"), 2});
        QCOMPARE(fake.started().size(), size_t(5));
    }

    // The least recently used thumbnails leave first when the cache outgrows its limit.
    void theLeastRecentlyUsedLeaveFirst() {
        test::TempDir folder;
        ThumbnailCache keep(QString::fromStdString(folder.path()));
        QImage picture(200, 150, QImage::Format_RGB888);
        qint64 size = 0;
        for (int i = 0; i < 4; ++i) {
            picture.fill(QColor::fromHsv(i * 80, 255, 255));
            QVERIFY(keep.save("key" + std::to_string(i), {picture, {1, 1}}));
            QFile file(QString::fromStdString(folder.path() + "key" + std::to_string(i) + ".thumb"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            size = std::max(size, file.size());
            file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(i - 100),
                             QFileDevice::FileModificationTime);
        }
        CachedThumbnail used;
        QVERIFY(keep.load("key0", used));  // now the most recent
        ThumbnailCache(QString::fromStdString(folder.path()), 3 * size + 10).trim();
        for (const auto& [key, kept] :
             {std::pair{"key0", true}, {"key1", false}, {"key2", true}, {"key3", true}})
            QVERIFY2(QFile::exists(QString::fromStdString(folder.path() + key + ".thumb")) == kept, key);
    }

    // Accept & Close and the close box end the browser while thumbnails are being made, and no
    // further one is begun; the close box throws the choice away.
    void closeAndAcceptWhileFilling() {
        for (const bool accept : {true, false}) {
            makeStore(300);
            FakeGrabber fake(true);
            {
                ThumbnailBrowser browser(store, settings, nullptr, nullptr, source(fake));
                browser.show();
                QTRY_COMPARE_WITH_TIMEOUT(fake.started().size(), size_t(2), kWorkMs);
                QTest::mouseClick(child(browser, "selectAllButton"), Qt::LeftButton);
                if (accept)
                    QTest::mouseClick(child(browser, "acceptButton"), Qt::LeftButton);
                else
                    browser.close();
                QVERIFY(!browser.isVisible());
                fake.open = true;
                QTest::qWait(50);  // time enough for the workers to begin more, were they let
            }
            QCOMPARE(fake.started().size(), size_t(2));
            QCOMPARE(store.selectedCount, accept ? 300 : 0);
        }
    }

    // A decoder that cannot be used is told once, through the window's messages, and stops the
    // filling; the browser stays open with the placeholders.
    void anUnusableDecoderIsToldOnce() {
        makeStore(40);
        std::atomic<int> asked{0};
        const ClipGrabber broken = [&asked](const std::string&, QSize) {
            ++asked;
            return MadeThumbnail{{}, {0, 0}, true};
        };
        test::FakeUi ui;
        ThumbnailBrowser browser(store, settings, nullptr, &ui,
                                 {broken, QString::fromStdString(cache.path() + "thumbnails"), 1});
        browser.show();
        QTRY_COMPARE_WITH_TIMEOUT(ui.messages.size(), size_t(1), kWorkMs);
        QTest::qWait(50);
        QCOMPARE(ui.messages.size(), size_t(1));
        QCOMPARE(ui.messages[0].text, decoderUnusableMessage());
        QVERIFY(asked < 5 && browser.isVisible() && !browser.model()->isDrawn(39));
    }

    // The right button shows the pressed file and selects nothing; the window stored for another
    // screen, the information near the screen's edge and the largest thumbnails stay wholly on
    // the screen (also on a small one at scaling 2).
    void rightClickShowsTheFileInformation() {
        test::TempDir dir;
        makeStore(3);
        store.fileList = {dir.write("first.MOD", "a"), dir.write("second.MOD", "b"), dir.file("gone")};
        dir.write("first.MOI", test::moiBytes({.format = 0x50}));
        settings = BrowserSettings{-90000, 120000, 60000, 90000, 1};
        FakeGrabber fake;
        ThumbnailBrowser browser(store, settings, nullptr, nullptr, source(fake));
        browser.show();
        const QRect area = browser.screen()->availableGeometry();
        QVERIFY(area.contains(browser.frameGeometry()));
        QTRY_VERIFY_WITH_TIMEOUT(allDrawn(browser), kWorkMs);
        store.pictureSizes[2] = {0, 0};
        browser.move(area.right() - browser.width() + 1, area.bottom() - browser.height() + 1);
        QPlainTextEdit* text = browser.fileInfoDialog()->infoText();
        for (const auto& [row, size, lineCount, dated] :
             {std::tuple{0, "720 X 576 Pixel", 12, true}, {2, "0 X 0 Pixel", 8, false}}) {
            QStringList lines;
            QRect popup;
            QTimer::singleShot(50, [&] {
                popup = browser.fileInfoDialog()->frameGeometry();
                lines = text->toPlainText().split('\n');
                browser.fileInfoDialog()->close();
            });
            click(browser, row, {}, Qt::RightButton);
            QCOMPARE(store.currentFileIndex, row);
            QCOMPARE(lines.size(), lineCount);
            QCOMPARE(lines[7], QString(size));
            QCOMPARE(!lines[4].isEmpty(), dated);
            QVERIFY(area.contains(popup));
        }
        QCOMPARE(store.selectedCount, 0);
        child<QComboBox>(browser, "sizeCombo")->setCurrentIndex(3);  // X-Large: grows, within the screen
        QTRY_VERIFY_WITH_TIMEOUT(browser.view()->gridSize().height() > 300, kWorkMs);
        QTest::qWait(20);  // the layout passes the view's new minimum on to the window
        QVERIFY(area.contains(browser.frameGeometry()));
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::BrowserWindowTest)
#include "browser_qtest.moc"
