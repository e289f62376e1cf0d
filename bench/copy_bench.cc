// Throughput of a copy run against cp -r of the same folder, with the source equally cached
// for both, and against cp -r followed by sync. A run flushes every copy before it takes its
// name and the target folder after the last one, so cp -r + sync is the like-for-like
// contender (the same data on the disk); plain cp -r leaves its data in the cache and is the
// bound no run that promises the disk can reach. Both ratios are printed.
//
// The same runs with the manifest on (/V: each source passes through memory and is hashed, and
// a /W copy is hashed as its 16:9 scan reads it) are timed beside them; their time against the run
// without the manifest is printed, to hold within 1.10, with their processor time against it
// beside: on a machine shared with other work that is the steadier of the two.
//
// A run with the verified delete (copy with a digest, read each copy back from the disk, hash,
// delete the source) is shown against cp -r + rm -r, as information: the proof reads every copy
// once more, the source never.
//
// KADREL_BENCH_ROUNDS (default 5) sets how many interleaved rounds run.
//
// KADREL_BENCH_DIR (default /tmp/kadrel-copy-bench), KADREL_BENCH_CLIPS (20) and
// KADREL_BENCH_MIB (50) choose where and how much. The clips are a small MPEG-2 clip tiled to
// size, so the /W run finds a sequence header every few dozen kilobytes as real clips have.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/ui_seam.h"
#include "engine/copy/copy_run.h"
#include "engine/copy/proven_delete.h"
#include "engine/debug_log.h"
#include "engine/run_context.h"
#include "platform/file_io.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

struct Setup {
    std::string root =
        std::getenv("KADREL_BENCH_DIR") ? std::getenv("KADREL_BENCH_DIR") : "/tmp/kadrel-copy-bench";
    int clips = envInt("KADREL_BENCH_CLIPS", 20);
    int64_t clipBytes = int64_t{envInt("KADREL_BENCH_MIB", 50)} << 20;
    std::string source() const { return root + "/card"; }
    std::string scratch() const { return root + "/card-to-delete"; }
    std::string target() const { return root + "/out"; }
    int64_t totalBytes() const { return clipBytes * clips; }
};

const Setup& setup() {
    static Setup s;
    return s;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

/// Tiles the sample clip to the clip size; each clip gets its own recording time.
void makeCard() {
    const Setup& s = setup();
    // The sources' folder, not __FILE__: a build inside the tree compiles with relative paths.
    const std::string sample = KADREL_SOURCE_DIR "/samples/card/SD_VIDEO/PRG001/MOV001.MOD";
    std::ifstream in(sample, std::ios::binary);
    const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (clip.empty())
        throw std::runtime_error("sample clip missing: " + sample);
    fs::create_directories(s.source() + "/SD_VIDEO/PRG001");
    for (int i = 1; i <= s.clips; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/MOV%03X.MOD", i);
        const std::string path = s.source() + "/SD_VIDEO/PRG001" + name;
        if (fs::exists(path) && static_cast<int64_t>(fs::file_size(path)) == s.clipBytes)
            continue;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (int64_t done = 0; done < s.clipBytes; done += static_cast<int64_t>(clip.size()))
            out.write(clip.data(),
                      static_cast<std::streamsize>(std::min<int64_t>(clip.size(), s.clipBytes - done)));
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
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        }
    }
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

/// Parses "1m2.345s" as the shell's times builtin prints it.
double shellSeconds(const char* text) {
    double minutes = 0, seconds = 0;
    return std::sscanf(text, "%lfm%lfs", &minutes, &seconds) == 2 ? minutes * 60 + seconds : 0;
}

/// Runs command and returns the processor time (user + system) of everything it started, as
/// the shell accounts it; the machine's other load does not enter it, unlike wall time.
double runCounted(const std::string& command) {
    const std::string wrapped = "( " + command + " ) </dev/null >/dev/null 2>&1 || echo failed; times";
    FILE* out = popen(wrapped.c_str(), "r");
    if (!out)
        throw std::runtime_error("failed: " + command);
    char line[256];
    std::vector<std::string> lines;
    while (std::fgets(line, sizeof line, out))
        lines.push_back(line);
    pclose(out);
    if (lines.size() != 2)
        throw std::runtime_error("failed: " + command);  // no "failed" line
    char user[64] = {}, sys[64] = {};
    if (std::sscanf(lines[1].c_str(), "%63s %63s", user, sys) != 2)
        return 0;
    return shellSeconds(user) + shellSeconds(sys);
}

/// Wall and processor seconds of one contender run.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

/// A card that the delete contenders may empty: a copy of the source, made before the clock runs.
void makeScratchCard() {
    fs::remove_all(setup().scratch());
    run("cp -a " + quoted(setup().source()) + " " + quoted(setup().scratch()));
}

/// Times one contender (which returns its processor seconds) from a clean target and a
/// flushed disk.
Timing timeOnce(const std::function<double()>& contender, bool deletes) {
    fs::remove_all(setup().target());
    if (deletes)
        makeScratchCard();
    run("sync");
    warmSource();
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu = contender();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), cpu};
}

bool g_useBinary = false;

/// The run inside this process; with deleteSources it deletes the proven sources of the scratch card.
double copyRunDirect(bool setWideScreen, bool deleteSources = false, bool manifest = false) {
    const std::clock_t c0 = std::clock();
    kadrel::Settings settings;
    settings.datePattern = "yy-mm-dd_Hh-Nn-Ss";
    settings.timeSource = kadrel::TimeSource::LastWrite;
    settings.deleteFiles = deleteSources;
    settings.manifest = manifest;
    kadrel::RunControl control;
    control.running = true;
    kadrel::DebugLog log;
    kadrel::RunContext ctx{settings, control, log};
    ctx.canAsk = true;  // as a window or a terminal: the copy keeps the digest for the delete
    fs::create_directories(setup().target());
    const std::string source = deleteSources ? setup().scratch() : setup().source();
    kadrel::RunResult result = kadrel::copyAllFound(ctx, source, setup().target(), setWideScreen, false);
    if (deleteSources)  // both delete questions answered yes
        kadrel::deleteOfferedSources(ctx, result);
    if (!result.complete())
        throw std::runtime_error("the copy run did not complete");
    return static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
}

double copyRun(bool setWideScreen, bool manifest = false) {
    if (!g_useBinary)
        return copyRunDirect(setWideScreen, false, manifest);
    fs::create_directories(setup().target());
    return runCounted(quoted(KADREL_BINARY) + " " + quoted(setup().source()) + " " +
                      quoted(setup().target()) + (setWideScreen ? " /W" : "") + (manifest ? " /V" : ""));
}

/// One contender: its name in the summary, what it runs and whether it empties the scratch card.
struct Contender {
    std::string name;
    std::function<double()> body;
    bool deletes = false;
};

std::vector<Contender> contenders() {
    const std::string cp = "cp -r " + quoted(setup().source()) + " " + quoted(setup().target());
    const std::string move = "cp -r " + quoted(setup().scratch()) + " " + quoted(setup().target()) +
                             " && rm -r " + quoted(setup().scratch());
    return {{"cp -r", [cp] { return runCounted(cp); }},
            {"kadrel", [] { return copyRun(false); }},
            {"kadrel /W", [] { return copyRun(true); }},
            {"kadrel /V", [] { return copyRun(false, true); }},
            {"kadrel /W /V", [] { return copyRun(true, true); }},
            {"cp -r + sync", [cp] { return runCounted(cp + " && sync"); }},
            {"cp -r + rm -r", [move] { return runCounted(move); }, true},
            {"kadrel + delete", [] { return copyRunDirect(false, true); }, true}};
}

// Seconds of every round per contender. Other work on the machine (builds, disk writeback)
// comes and goes within seconds, so each round runs every contender once, one after the
// other in a rotating order, and the summary compares medians and same-round ratios.
std::map<std::string, std::vector<double>> g_seconds;
std::map<std::string, std::vector<double>> g_cpuSeconds;

void BM_InterleavedRounds(benchmark::State& state) {
    const std::vector<Contender> all = contenders();
    const int rounds = std::max(1, envInt("KADREL_BENCH_ROUNDS", 5));
    for (auto _ : state) {
        double total = 0;
        for (int round = 0; round < rounds; ++round) {
            for (size_t k = 0; k < all.size(); ++k) {
                const Contender& c = all[(k + static_cast<size_t>(round)) % all.size()];
                const Timing t = timeOnce(c.body, c.deletes);
                g_seconds[c.name].push_back(t.wall);
                g_cpuSeconds[c.name].push_back(t.cpu);
                total += t.wall;
            }
        }
        state.SetIterationTime(total);
    }
    state.counters["rounds"] = rounds;
}

BENCHMARK(BM_InterleavedRounds)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

/// True when the kadrel binary makes copies from the command line already.
bool binaryCopies() {
    const std::string probe = setup().root + "/probe";
    fs::remove_all(probe);
    fs::create_directories(probe + "/in");
    fs::create_directories(probe + "/out");
    std::ofstream(probe + "/in/A.MOD") << "x";
    std::system((quoted(KADREL_BINARY) + " " + quoted(probe + "/in") + " " + quoted(probe + "/out") +
                 " </dev/null >/dev/null 2>&1")
                    .c_str());
    const bool copied = !fs::is_empty(probe + "/out");
    fs::remove_all(probe);
    return copied;
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double mibPerSecond(double seconds) {
    return seconds > 0 ? static_cast<double>(setup().totalBytes()) / seconds / (1 << 20) : 0;
}

/// Median throughput of a contender over all rounds.
double medianMibPerSecond(const std::string& name) {
    return mibPerSecond(median(g_seconds[name]));
}

/// Median over the rounds of a contender's throughput as a share of another's in the same round.
double medianSameRoundRatio(const std::string& name, const std::string& against) {
    std::vector<double> ratios;
    const std::vector<double>& cp = g_seconds[against];
    const std::vector<double>& own = g_seconds[name];
    for (size_t i = 0; i < std::min(cp.size(), own.size()); ++i)
        ratios.push_back(cp[i] / own[i]);
    return median(ratios);
}

void printRounds() {
    const size_t rounds = g_seconds["cp -r"].size();
    std::printf("\nround  %8s %14s %22s %22s   (MiB/s; %% of cp -r and of cp -r + sync in the same round)\n",
                "cp -r", "cp -r + sync", "kadrel", "kadrel /W");
    for (size_t i = 0; i < rounds; ++i) {
        const double cp = g_seconds["cp -r"][i], synced = g_seconds["cp -r + sync"][i];
        std::printf("%5zu  %8.1f %14.1f", i + 1, mibPerSecond(cp), mibPerSecond(synced));
        for (const char* name : {"kadrel", "kadrel /W"}) {
            const double own = g_seconds[name][i];
            std::printf("   %7.1f %4.0f%% %4.0f%%", mibPerSecond(own), 100 * cp / own, 100 * synced / own);
        }
        std::printf("\n");
    }
}

/// Processor time says what a contender costs when the machine's other load hides it in wall time.
void printProcessorTime() {
    const double cp = median(g_cpuSeconds["cp -r"]);
    std::printf("processor time (user + system, median): cp -r %.3f s", cp);
    for (const char* name : {"kadrel", "kadrel /W"}) {
        const double own = median(g_cpuSeconds[name]);
        std::printf(", %s %.3f s (%.0f%% of cp -r's throughput per processor second)", name, own,
                    100 * cp / own);
    }
    std::printf("\n");
}

void printSummary() {
    printRounds();
    const double cp = medianMibPerSecond("cp -r"), cpSynced = medianMibPerSecond("cp -r + sync");
    std::printf("\n%d clips of %lld MiB, copy run through %s, median of %zu interleaved rounds\n",
                setup().clips, static_cast<long long>(setup().clipBytes >> 20),
                g_useBinary ? KADREL_BINARY : "copyAllFound", g_seconds["cp -r"].size());
    std::printf("cp -r          %8.1f MiB/s\ncp -r + sync   %8.1f MiB/s\n", cp, cpSynced);
    for (const auto& [name, target] : {std::pair<std::string, int>{"kadrel", 90}, {"kadrel /W", 80}}) {
        const double v = medianMibPerSecond(name);
        std::printf(
            "%-14s %8.1f MiB/s  %5.1f%% of cp -r (target %d%%), %5.1f%% of cp -r + sync;"
            " same-round median %5.1f%% of cp -r, %5.1f%% of cp -r + sync\n",
            name.c_str(), v, 100 * v / cp, target, 100 * v / cpSynced,
            100 * medianSameRoundRatio(name, "cp -r"), 100 * medianSameRoundRatio(name, "cp -r + sync"));
    }
    printProcessorTime();
    std::printf("\nwith the manifest (/V), against the same run without it (target: time within 1.10):\n");
    for (const auto& [name, with] :
         {std::pair<std::string, std::string>{"kadrel", "kadrel /V"}, {"kadrel /W", "kadrel /W /V"}})
        std::printf(
            "%-14s %8.1f MiB/s  %5.1f%% of cp -r (without: %5.1f%%); time with / without, same-round "
            "median %.3f; processor time with / without, medians %.3f\n",
            with.c_str(), medianMibPerSecond(with), 100 * medianSameRoundRatio(with, "cp -r"),
            100 * medianSameRoundRatio(name, "cp -r"), 1 / medianSameRoundRatio(with, name),
            median(g_cpuSeconds[with]) / median(g_cpuSeconds[name]));
    const double moved = medianMibPerSecond("cp -r + rm -r"), proven = medianMibPerSecond("kadrel + delete");
    std::printf(
        "\ncopy, then delete the sources (information, no target):\n"
        "cp -r + rm -r   %8.1f MiB/s\nkadrel + delete %8.1f MiB/s  %5.1f%% of cp -r + rm -r"
        " (each copy flushed, read back from the disk and hashed before its source goes)\n",
        moved, proven, moved > 0 ? 100 * proven / moved : 0);
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
    fs::remove_all(setup().scratch());
    return 0;
}
