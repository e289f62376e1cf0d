// Thumbnail speed: one clip's thumbnail through the real thumbnail run, the ffmpeg command that
// takes the first frame of the same clip, and filling one page of the browser at "Large".
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ui/browser/frmThumbnailBrowser.h"
#include "ui/browser/thumbnailstore.h"

namespace {

namespace fs = std::filesystem;
constexpr int kClips = 100;

// 100 SD clips (720 x 576, 2 s, GOP 12), made once per run from a synthetic source.
struct ClipFolder {
    fs::path dir = fs::temp_directory_path() / ("kadrel-thumbbench-" + std::to_string(std::random_device{}()));
    std::vector<std::string> clips;

    ClipFolder() {
        fs::create_directories(dir);
        const std::string first = (dir / "MOV000.MOD").string();
        const std::string make = "ffmpeg -nostdin -loglevel fatal -y -f lavfi -i "
                                 "testsrc=size=720x576:rate=25:duration=2 -f lavfi -i "
                                 "sine=duration=2:sample_rate=48000 -c:v mpeg2video -g 12 -bf 2 "
                                 "-b:v 6M -aspect 4:3 -c:a mp2 -f vob '" + first + "'";
        if (std::system(make.c_str()) != 0) std::abort();
        for (int i = 0; i < kClips; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "MOV%03d.MOD", i);
            if (i > 0) fs::copy_file(first, dir / name, fs::copy_options::overwrite_existing);
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
    kadrel::ThumbnailStore store;
    kadrel::RunControl control;
    kadrel::SilentUi ui;
    bool failed = false;
    size_t i = 0;
    for (auto _ : state) {
        store.filelist = {folder().clips[i++ % kClips]};
        store.filecount = 1;
        if (!kadrel::createmovethumbnails(store, control, ui, failed)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(store.thumbnailbits.data());
    }
}
BENCHMARK(BM_ThumbnailPerClip)->Unit(benchmark::kMillisecond)->Iterations(kClips);

void BM_FfmpegCommandPerClip(benchmark::State& state) {
    const std::string out = (folder().dir / "frame.bmp").string();
    size_t i = 0;
    for (auto _ : state) {
        const std::string command = "ffmpeg -nostdin -loglevel fatal -y -i '" +
                                    folder().clips[i++ % kClips] + "' -frames:v 1 '" + out + "'";
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
    }
}
BENCHMARK(BM_FfmpegCommandPerClip)->Unit(benchmark::kMillisecond)->Iterations(kClips);

// One page of a 1280 x 1024 browser at "Large": 6 x 6 frames of 4:3 thumbnails.
void BM_FillImagesLarge(benchmark::State& state) {
    kadrel::ThumbnailStore store;
    store.filecount = 500;
    store.filelist.assign(500, "/media/card/SD_VIDEO/PRG001/MOV001.MOD");
    store.resetSelection();
    store.thumbnailbits.resize(static_cast<size_t>(500) * kadrel::kThumbBytes);
    for (size_t b = 0; b < store.thumbnailbits.size(); ++b) store.thumbnailbits[b] = b * 7 % 251;
    kadrel::BrowserSettings settings{0, 0, 15360, 19200, 2};
    kadrel::frmThumbnailBrowser browser(store, settings, nullptr);
    browser.BrowserResize();
    browser.ManageControls(true);
    for (auto _ : state) browser.FillImages(1, browser.grid().visiblecount);
    state.counters["frames"] = browser.grid().visiblecount;
}
BENCHMARK(BM_FillImagesLarge)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
