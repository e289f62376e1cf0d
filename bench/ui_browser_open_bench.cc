// Opening the thumbnail browser on a card of 1500 clips, offscreen: the time from the request
// to the first page drawn in full, the same for a second open of the same card, and the
// resident memory of the process with the browser open, against an empty browser.
// Usage: ui_browser_open_bench [clips]   (1500 without an argument)
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

// The manual selection from the search's list to the first page drawn: milliseconds.
double openBrowser(const std::vector<std::string>& clips, kadrel::ThumbnailStore& store,
                   kadrel::BrowserSettings& settings, double& resident) {
    QElapsedTimer clock;
    clock.start();
    store.fileList = clips;
    store.fileCount = static_cast<int32_t>(clips.size());
    kadrel::sortFileList(store);
    kadrel::RunControl control;
    kadrel::SilentUi ui;
    if (!kadrel::makeSelectionThumbnails(store, "MOD", false, control, ui))
        std::abort();
    kadrel::ThumbnailBrowser browser(store, settings, nullptr);
    browser.show();
    while (!clips.empty() &&
           (browser.thumbnailFrames().size() < static_cast<size_t>(browser.grid().visibleCount) ||
            browser.thumbnailFrames()[0]->icon().isNull()))
        QApplication::processEvents();
    const double ms = clock.nsecsElapsed() / 1e6;
    resident = residentMiB();
    return ms;
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
    kadrel::ThumbnailStore empty;
    double emptyResident = 0;
    openBrowser({}, empty, settings, emptyResident);
    kadrel::ThumbnailStore store;
    double firstResident = 0, secondResident = 0;
    const double first = openBrowser(card.clips, store, settings, firstResident);
    const double second = openBrowser(card.clips, store, settings, secondResident);
    std::printf("%d clips, browser %d x %d twips, size %d\n", count, settings.width, settings.height,
                settings.thumbnailSize);
    std::printf("first open to first full page:  %8.1f ms\n", first);
    std::printf("second open to first full page: %8.1f ms\n", second);
    std::printf("resident: empty browser %.1f MiB, with %d clips %.1f MiB (+%.1f MiB, %.1f KiB a clip)\n",
                emptyResident, count, secondResident, secondResident - emptyResident,
                (secondResident - emptyResident) * 1024 / count);
    return 0;
}
