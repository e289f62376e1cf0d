// Opening the thumbnail browser on a card of 1500 clips, offscreen: the time from the request
// to the first page drawn in full, the same for a second open of the same card, and the
// resident memory of the process with the browser open and filled, against an empty browser.
// The thumbnail cache is a fresh folder: empty for the first open, warm for the second.
// Usage: ui_browser_open_bench [clips [display size 0-3]]   (1500 at "Medium" without arguments)
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ui/browser/manual_selection.h"
#include "ui/browser/thumbnail_browser.h"
#include "ui/browser/thumbnail_pool.h"

namespace {

namespace fs = std::filesystem;

// A card of SD clips (720 x 576, 1 s) in folders of 100 as a camcorder writes them, one
// recording a minute apart, made once from a synthetic source.
struct Card {
    fs::path dir = fs::temp_directory_path() / ("kadrel-openbench-" + std::to_string(std::random_device{}()));
    std::vector<std::string> clips;

    explicit Card(int count) {
        fs::create_directories(dir);
        const fs::path first = dir / "source.MOD";
        const std::string make =
            "ffmpeg -nostdin -loglevel fatal -y -f lavfi -i "
            "testsrc=size=720x576:rate=25:duration=1 -c:v mpeg2video -g 12 -bf 2 "
            "-b:v 6M -aspect 4:3 -f vob '" +
            first.string() + "'";
        if (std::system(make.c_str()) != 0)
            std::abort();
        const auto start = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
        for (int i = 0; i < count; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "SD_VIDEO/PRG%03X/MOV%03X.MOD", i / 100 + 1, i % 100);
            const fs::path clip = dir / name;
            fs::create_directories(clip.parent_path());
            fs::copy_file(first, clip);
            fs::last_write_time(clip, start + std::chrono::minutes(i));
            clips.push_back(clip.string());
        }
    }
    ~Card() { fs::remove_all(dir); }
};

// Resident memory of this process in MiB.
double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kib = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kib;
            break;
        }
    }
    return kib / 1024.0;
}

bool drawn(const kadrel::ThumbnailBrowser& browser, int first, int last) {
    for (int row = std::max(first, 0); row <= last; ++row) {
        if (!browser.model()->isDrawn(row))
            return false;
    }
    return true;
}

struct Opening {
    double firstPage = 0;  // ms from the request to the first page drawn in full
    double allFilled = 0;  // ms until every thumbnail was made or fetched
    double resident = 0;   // MiB with every thumbnail made
};

// The manual selection from the search's list to the first page drawn, then to the last
// thumbnail, with the thumbnails remembered in cacheFolder.
Opening openBrowser(const std::vector<std::string>& clips, kadrel::BrowserSettings& settings,
                    const QString& cacheFolder) {
    Opening opening;
    QElapsedTimer clock;
    clock.start();
    kadrel::ThumbnailStore store;
    store.fileList = clips;
    store.fileCount = static_cast<int32_t>(clips.size());
    kadrel::prepareSelection(store, "MOD", false);
    kadrel::ThumbnailBrowser browser(store, settings, nullptr, nullptr,
                                     {kadrel::decodingGrabber(), cacheFolder, kadrel::thumbnailWorkers()});
    browser.show();
    for (;;) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const auto [first, last] = browser.view()->shownRows();
        if (clips.empty() || (last >= first && drawn(browser, first, last)))
            break;
    }
    opening.firstPage = clock.nsecsElapsed() / 1e6;
    const auto allMade = [&browser] {
        for (int row = 0; row < browser.model()->rowCount(); ++row) {
            if (!browser.model()->isMade(row))
                return false;
        }
        return true;
    };
    while (!allMade())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    opening.allFilled = clock.nsecsElapsed() / 1e6;
    opening.resident = residentMiB();
    return opening;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1500;
    Card card(count);
    for (const std::string& clip : card.clips)  // the clips in the page cache, as after a search
        std::ifstream(clip).ignore(1 << 30);
    kadrel::BrowserSettings settings;
    settings.thumbnailSize = static_cast<int16_t>(argc > 2 ? std::atoi(argv[2]) : 1);
    const QString cacheFolder = QString::fromStdString((card.dir / "cache").string());
    const Opening empty = openBrowser({}, settings, cacheFolder);
    const Opening first = openBrowser(card.clips, settings, cacheFolder);
    const Opening second = openBrowser(card.clips, settings, cacheFolder);
    std::printf("%d clips, browser %d x %d twips, size %d, %d workers\n", count, settings.width,
                settings.height, settings.thumbnailSize, kadrel::thumbnailWorkers());
    std::printf("first open to first full page:  %8.1f ms (all %8.1f ms)\n", first.firstPage,
                first.allFilled);
    std::printf("second open to first full page: %8.1f ms (all %8.1f ms)\n", second.firstPage,
                second.allFilled);
    std::printf("resident: empty browser %.1f MiB, with %d clips %.1f MiB (+%.1f MiB, %.1f KiB a clip)\n",
                empty.resident, count, second.resident, second.resident - empty.resident,
                (second.resident - empty.resident) * 1024 / count);
    return 0;
}
