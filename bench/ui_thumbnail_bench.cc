// Thumbnail speed: with --compare-workers, 400 clips made with one worker and with the pool of
// all cores in interleaved rounds; otherwise one clip's thumbnail through the real thumbnail
// run, the ffmpeg command that takes the first frame of the same clip, and drawing one page of
// the browser at "Large".
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "ui/browser/thumbnail_browser.h"
#include "ui/browser/thumbnail_maker.h"
#include "ui/browser/thumbnail_pool.h"

namespace {

namespace fs = std::filesystem;
constexpr int kClips = 100;

// 100 SD clips (720 x 576, 2 s, GOP 12), made once per run from a synthetic source.
struct ClipFolder {
    fs::path dir =
        fs::temp_directory_path() / ("kadrel-thumbbench-" + std::to_string(std::random_device{}()));
    std::vector<std::string> clips;

    ClipFolder() {
        fs::create_directories(dir);
        const std::string first = (dir / "MOV000.MOD").string();
        const std::string make =
            "ffmpeg -nostdin -loglevel fatal -y -f lavfi -i "
            "testsrc=size=720x576:rate=25:duration=2 -f lavfi -i "
            "sine=duration=2:sample_rate=48000 -c:v mpeg2video -g 12 -bf 2 "
            "-b:v 6M -aspect 4:3 -c:a mp2 -f vob '" +
            first + "'";
        if (std::system(make.c_str()) != 0)
            std::abort();
        for (int i = 0; i < kClips; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "MOV%03d.MOD", i);
            if (i > 0)
                fs::copy_file(first, dir / name, fs::copy_options::overwrite_existing);
            clips.push_back((dir / name).string());
        }
    }
    ~ClipFolder() { fs::remove_all(dir); }
};

ClipFolder& folder() {
    static ClipFolder clips;
    return clips;
}

void BM_ThumbnailPerClip(benchmark::State& state) {
    const kadrel::ClipGrabber grab = kadrel::decodingGrabber();
    size_t i = 0;
    for (auto _ : state) {
        const kadrel::MadeThumbnail made =
            kadrel::makeThumbnail(grab, {true, QSize(400, 300)}, folder().clips[i++ % kClips], false);
        if (made.picture.isNull())
            state.SkipWithError("failed");
        benchmark::DoNotOptimize(made.picture.constBits());
    }
}
BENCHMARK(BM_ThumbnailPerClip)->Unit(benchmark::kMillisecond)->Iterations(kClips);

void BM_FfmpegCommandPerClip(benchmark::State& state) {
    const std::string out = (folder().dir / "frame.bmp").string();
    size_t i = 0;
    for (auto _ : state) {
        const std::string command = "ffmpeg -nostdin -loglevel fatal -y -i '" + folder().clips[i++ % kClips] +
                                    "' -frames:v 1 '" + out + "'";
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("ffmpeg failed");
    }
}
BENCHMARK(BM_FfmpegCommandPerClip)->Unit(benchmark::kMillisecond)->Iterations(kClips);

// Drawing one page of a 1280 x 1024 browser at "Large": 6 x 6 frames of 4:3 thumbnails.
void BM_PaintPageLarge(benchmark::State& state) {
    kadrel::ThumbnailStore store;
    store.fileCount = 500;
    store.fileList.assign(500, "/media/card/SD_VIDEO/PRG001/MOV001.MOD");
    store.resizeAndClearSelection();
    const kadrel::ClipGrabber grey = [](const std::string&, QSize stretchTo) {
        QImage picture(stretchTo, QImage::Format_RGB888);
        picture.fill(Qt::gray);
        return kadrel::MadeThumbnail{picture, {720, 576}, false};
    };
    kadrel::BrowserSettings settings{0, 0, 15360, 19200, 2};
    kadrel::ThumbnailBrowser browser(store, settings, nullptr, nullptr, {grey, QString(), 2});
    browser.show();
    auto [first, last] = browser.view()->shownRows();
    while (last < first || !browser.model()->isDrawn(last)) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        std::tie(first, last) = browser.view()->shownRows();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(browser.view()->viewport()->grab());
    state.counters["frames"] = last - first + 1;
}
BENCHMARK(BM_PaintPageLarge)->Unit(benchmark::kMillisecond);

// 400 clips tiled from the sample card and the test clips (352 x 288 to 720 x 576), so that
// the sizes mix as on a real card.
struct CardOf400 {
    fs::path dir = fs::temp_directory_path() / ("kadrel-poolbench-" + std::to_string(std::random_device{}()));
    std::vector<std::string> clips;

    CardOf400() {
        const fs::path root = fs::path(__FILE__).parent_path() / "..";
        std::vector<fs::path> sources;
        for (const fs::path& folder : {root / "samples/card", root / "tests/data"}) {
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                const std::string ext = entry.path().extension().string();
                if (ext == ".MOD" || ext == ".mpg")
                    sources.push_back(entry.path());
            }
        }
        if (sources.empty())
            std::abort();
        std::sort(sources.begin(), sources.end());
        fs::create_directories(dir);
        for (int i = 0; i < 400; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "MOV%03d.MOD", i);
            fs::copy_file(sources[i % sources.size()], dir / name);
            clips.push_back((dir / name).string());
        }
    }
    ~CardOf400() { fs::remove_all(dir); }
};

// Wall and processor milliseconds (all threads) of one run over the list on `workers` threads;
// store keeps what was made. Processor time over wall time tells how many cores the run had.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing timeRun(const std::vector<std::string>& clips, int workers, std::vector<QImage>& made) {
    made.assign(clips.size(), QImage());
    const kadrel::ClipGrabber grab = kadrel::decodingGrabber();
    std::atomic<size_t> done{0};
    const std::clock_t cpu = std::clock();
    const auto start = std::chrono::steady_clock::now();
    {
        kadrel::ThumbnailPool pool(workers, [&](int32_t i) {
            made[i] = kadrel::makeThumbnail(grab, {true, QSize(400, 300)}, clips[i], false).picture;
            ++done;
        });
        std::vector<int32_t> order(clips.size());
        std::iota(order.begin(), order.end(), 0);
        pool.want(order);
        while (done < clips.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto wall = std::chrono::steady_clock::now() - start;
    return {std::chrono::duration<double, std::milli>(wall).count(),
            1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One worker against the pool on the same 400 clips, in interleaved rounds (the one that goes
// first alternates), after one untimed pass that brings the clips into the page cache.
int compareWorkers(int rounds) {
    CardOf400 card;
    const int pool = kadrel::thumbnailWorkers();
    std::vector<QImage> one, many;
    timeRun(card.clips, pool, many);
    std::vector<double> oneMs, poolMs;
    bool identical = true;
    std::printf("400 clips, pool of %d workers, %d rounds (wall ms; processor ms of all threads)\n", pool,
                rounds);
    for (int r = 0; r < rounds; ++r) {
        const bool oneFirst = r % 2 == 0;
        Timing a, b;
        if (oneFirst)
            a = timeRun(card.clips, 1, one);
        b = timeRun(card.clips, pool, many);
        if (!oneFirst)
            a = timeRun(card.clips, 1, one);
        oneMs.push_back(a.wall);
        poolMs.push_back(b.wall);
        identical = identical && one == many;
        std::printf("round %d: 1 worker %7.1f ms (cpu %7.1f), pool %7.1f ms (cpu %7.1f), speed-up %.2f x\n",
                    r + 1, a.wall, a.cpu, b.wall, b.cpu, a.wall / b.wall);
    }
    const double a = median(oneMs), b = median(poolMs);
    std::printf("median  1 worker: %7.1f ms total, %.2f ms per clip\n", a, a / 400);
    std::printf("median  pool (%d): %7.1f ms total, %.2f ms per clip\n", pool, b, b / 400);
    std::printf("speed-up (median 1 worker / median pool): %.2f x; stores identical: %s\n", a / b,
                identical ? "yes" : "NO");
    return identical ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && std::strncmp(argv[1], "--compare-workers", 17) == 0) {
        const char* rounds = std::strchr(argv[1], '=');
        return compareWorkers(rounds ? std::max(1, std::atoi(rounds + 1)) : 5);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
