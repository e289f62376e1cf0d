// The manual selection on the sample card, end to end: search, sort, thumbnails from the clips,
// and the browser on them. With KADREL_SCREENSHOTS set (run under Xvfb) it also saves the
// pictures of the user documentation there.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "main_window_fixture.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/manual_selection.h"
#include "ui/browser/thumbnail_browser.h"

namespace kadrel {

class BrowserCardTest : public QObject {
    Q_OBJECT

  private:
    test::CardFolder folder{"media/CAMCORDER"};  // the sample card, copied where the pictures may show it
    const std::string card = folder.path();
    ThumbnailStore store;
    RunControl control;
    SilentUi ui;

    void save(QWidget& window, const QString& name) {
        const QString dir = qEnvironmentVariable("KADREL_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        QApplication::processEvents();
        const QPixmap shot = window.screen()->grabWindow(0).copy(window.frameGeometry());
        QVERIFY(shot.save(dir + "/" + name));
    }

  private slots:
    void initTestCase() {
        const std::filesystem::path samples = std::string(KADREL_TEST_DATA) + "/../../samples/card";
        for (const auto& entry : std::filesystem::recursive_directory_iterator(samples)) {
            if (entry.is_regular_file())
                folder.write(std::filesystem::relative(entry.path(), samples).string(),
                             test::readAll(entry.path().string()));
        }
        Settings settings;
        settings.sourceDir = card;
        settings.searchExt = "MOD";
        SearchState search;
        QVERIFY(searchSelectionFiles(store, search, settings, control, ui) > 0);
        sortfilelist(store);
        QVERIFY(makeSelectionThumbnails(store, "MOD", false, control, ui));
        loadPlaceholder(store);
        for (int32_t i = 0; i < store.filecount; ++i)  // every clip shows its own picture
            QVERIFY(store.picturesize[i][0] > 0 &&
                    !std::equal(store.placeholderbits.begin(), store.placeholderbits.end(), store.slot(i)));
    }

    // "Small" with every clip chosen, then X-Large 16:9 with one clip and its information.
    void browserOnTheCard() {
        BrowserSettings settings{30, 30, 6000, 9000, 0};
        {
            ThumbnailBrowser browser(store, settings, nullptr);
            browser.show();
            QTRY_COMPARE(browser.thumbnailFrames().size(), static_cast<size_t>(store.filecount));
            QTest::mouseClick(browser.thumbnailFrames()[0], Qt::LeftButton);
            QTest::mouseClick(browser.thumbnailFrames().back(), Qt::LeftButton, Qt::ShiftModifier);
            save(browser, "browser-small.png");
            browser.closeKeepingSelection();
        }
        std::vector<std::string> files;
        QCOMPARE(collectSelectedFiles(store, files), store.filecount);
        store.widethumbnails = true;
        unselectAll(store);
        settings = BrowserSettings{30, 30, 12600, 18600, 3};
        ThumbnailBrowser browser(store, settings, nullptr);
        browser.show();
        QTRY_VERIFY(!browser.thumbnailFrames().empty() && browser.thumbnailFrames()[0]->isVisible());
        QTest::mouseClick(browser.thumbnailFrames()[0], Qt::LeftButton, Qt::ControlModifier);
        save(browser, "browser-xlarge-wide.png");
        QString text;
        QTimer::singleShot(100, [&] {
            text = browser.fileInfoDialog()->infoText()->toPlainText();
            save(browser, "browser-fileinfo.png");
            browser.fileInfoDialog()->close();
        });
        QTest::mouseClick(browser.thumbnailFrames()[0], Qt::RightButton, {}, QPoint(300, 120));
        QVERIFY(text.contains(
            QString("%1 X %2 Pixel").arg(store.picturesize[0][0]).arg(store.picturesize[0][1])));
    }
};

}  // namespace kadrel

QTEST_MAIN(kadrel::BrowserCardTest)
#include "browser_card_qtest.moc"
