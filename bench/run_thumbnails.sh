#!/bin/sh
# Builds and runs the thumbnail benchmarks: first the same 400 clips made with one worker and
# with the pool of all cores, in interleaved rounds (KADREL_BENCH_ROUNDS, 5), with the medians
# and the speed-up; then the median of 5 runs of each of the others: milliseconds per clip for
# Kadrel's thumbnail and for the ffmpeg command, and per page drawn. An argument filters the latter.
# Last, the browser opened on 1500 clips at "Medium" and at "X-Large": the first page, the same
# card again with the thumbnails cached, and the memory.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADREL_BENCH=ON >/dev/null
ninja -C "$build" -j2 ui_thumbnail_bench ui_browser_open_bench >/dev/null
echo "cores (nproc): $(nproc)"
"$build/bench/ui_thumbnail_bench" --compare-workers="${KADREL_BENCH_ROUNDS:-5}"
"$build/bench/ui_thumbnail_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_filter="${1:-.}" 2>&1 | grep -E "Benchmark|---|median"
for size in 1 3; do
    "$build/bench/ui_browser_open_bench" 1500 $size 2>/dev/null
done
