// Throughput of a copy run against cp -r of the same folder, with the source equally cached
// for both. The ratio that counts is against cp -r; cp -r followed by sync is shown for
// reference, as the time the same data needs to reach the disk.
//
// KADREL_BENCH_DIR (default /tmp/kadrel-copy-bench), KADREL_BENCH_CLIPS (20) and
// KADREL_BENCH_MIB (50) choose where and how much. The clips are a small MPEG-2 clip tiled to
// size, so the /W run finds a sequence header every few dozen kilobytes as real clips have.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/debuglog.h"
#include "app/runcontrol.h"
#include "copyengine/copyrun.h"
#include "platform/fileio.h"
#include "platform/uiseam.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

struct Setup {
    std::string root = std::getenv("KADREL_BENCH_DIR") ? std::getenv("KADREL_BENCH_DIR") : "/tmp/kadrel-copy-bench";
    int clips = envInt("KADREL_BENCH_CLIPS", 20);
    int64_t clipBytes = int64_t{envInt("KADREL_BENCH_MIB", 50)} << 20;
    std::string source() const { return root + "/card"; }
    std::string target() const { return root + "/out"; }
    int64_t totalBytes() const { return clipBytes * clips; }
};

const Setup& setup() {
    static Setup s;
    return s;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

/// Tiles the sample clip to the clip size; each clip gets its own recording time.
void makeCard() {
    const Setup& s = setup();
    const std::string sample =
        (fs::path(__FILE__).parent_path().parent_path() / "samples/card/SD_VIDEO/PRG001/MOV001.MOD").string();
    std::ifstream in(sample, std::ios::binary);
    const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (clip.empty()) throw std::runtime_error("sample clip missing: " + sample);
    fs::create_directories(s.source() + "/SD_VIDEO/PRG001");
    for (int i = 1; i <= s.clips; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/MOV%03X.MOD", i);
        const std::string path = s.source() + "/SD_VIDEO/PRG001" + name;
        if (fs::exists(path) && static_cast<int64_t>(fs::file_size(path)) == s.clipBytes) continue;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (int64_t done = 0; done < s.clipBytes; done += static_cast<int64_t>(clip.size()))
            out.write(clip.data(), static_cast<std::streamsize>(std::min<int64_t>(clip.size(), s.clipBytes - done)));
        out.close();
        kadrel::platform::FileTimes t;
        t.lastWrite = t.lastAccess = {1236262029 + i * 60, 0};
        kadrel::platform::setFileTimes(path, t);
    }
}

/// Reads every source file so both contenders start from the same cached state.
void warmSource() {
    std::vector<char> buffer(8 << 20);
    for (const auto& e : fs::recursive_directory_iterator(setup().source())) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        }
    }
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

/// Seconds of one contender, from a clean target and a flushed disk.
double timeOnce(const std::function<void()>& contender) {
    fs::remove_all(setup().target());
    run("sync");
    warmSource();
    const auto t0 = std::chrono::steady_clock::now();
    contender();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

bool g_useBinary = false;
std::map<std::string, std::pair<double, double>> g_totals;  // name -> bytes, seconds

void copyRunDirect(bool setws) {
    kadrel::Settings settings;
    settings.dateformat = "yy-mm-dd_Hh-Nn-Ss";
    settings.use_modificationtime = 1;
    kadrel::RunControl control;
    control.running = true;
    kadrel::SilentUi ui;
    kadrel::DebugLog log;
    kadrel::RunContext ctx{settings, control, ui, log};
    fs::create_directories(setup().target());
    kadrel::copyAllFound(ctx, setup().source(), setup().target(), setws, false);
}

void copyRun(bool setws) {
    if (!g_useBinary) return copyRunDirect(setws);
    fs::create_directories(setup().target());
    run(quoted(KADREL_BINARY) + " " + quoted(setup().source()) + " " + quoted(setup().target()) +
        (setws ? " /W" : "") + " </dev/null 2>/dev/null");
}

void measure(benchmark::State& state, const std::string& name, const std::function<void()>& contender) {
    for (auto _ : state) {
        const double seconds = timeOnce(contender);
        state.SetIterationTime(seconds);
        g_totals[name].first += static_cast<double>(setup().totalBytes());
        g_totals[name].second += seconds;
    }
    state.SetBytesProcessed(state.iterations() * setup().totalBytes());
}

void BM_CpRecursive(benchmark::State& state) {
    measure(state, "cp -r", [] { run("cp -r " + quoted(setup().source()) + " " + quoted(setup().target())); });
}

void BM_CpRecursiveSynced(benchmark::State& state) {
    measure(state, "cp -r + sync", [] {
        run("cp -r " + quoted(setup().source()) + " " + quoted(setup().target()) + " && sync");
    });
}

void BM_CopyRun(benchmark::State& state) {
    measure(state, "kadrel", [] { copyRun(false); });
}

void BM_CopyRunWideScreen(benchmark::State& state) {
    measure(state, "kadrel /W", [] { copyRun(true); });
}

BENCHMARK(BM_CpRecursive)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpRecursiveSynced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyRun)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyRunWideScreen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

/// True when the kadrel binary makes copies from the command line already.
bool binaryCopies() {
    const std::string probe = setup().root + "/probe";
    fs::remove_all(probe);
    fs::create_directories(probe + "/in");
    fs::create_directories(probe + "/out");
    std::ofstream(probe + "/in/A.MOD") << "x";
    std::system((quoted(KADREL_BINARY) + " " + quoted(probe + "/in") + " " + quoted(probe + "/out") +
                 " </dev/null >/dev/null 2>&1").c_str());
    const bool copied = !fs::is_empty(probe + "/out");
    fs::remove_all(probe);
    return copied;
}

double mibPerSecond(const std::string& name) {
    const auto& [bytes, seconds] = g_totals[name];
    return seconds > 0 ? bytes / seconds / (1 << 20) : 0;
}

void printSummary() {
    const double cp = mibPerSecond("cp -r"), cpSynced = mibPerSecond("cp -r + sync");
    std::printf("\n%d clips of %lld MiB, copy run through %s\n", setup().clips,
                static_cast<long long>(setup().clipBytes >> 20), g_useBinary ? KADREL_BINARY : "copyAllFound");
    std::printf("cp -r          %8.1f MiB/s\ncp -r + sync   %8.1f MiB/s\n", cp, cpSynced);
    for (const auto& [name, target] : {std::pair<std::string, int>{"kadrel", 90}, {"kadrel /W", 80}}) {
        const double v = mibPerSecond(name);
        std::printf("%-14s %8.1f MiB/s  %5.1f%% of cp -r (target %d%%), %5.1f%% of cp -r + sync\n",
                    name.c_str(), v, 100 * v / cp, target, 100 * v / cpSynced);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeCard();
    g_useBinary = binaryCopies();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    fs::remove_all(setup().target());
    return 0;
}
