#!/bin/sh
# Builds and runs the thumbnail benchmarks, printing the median of 5 runs of each:
# milliseconds per clip for Kadrel's thumbnail and for the ffmpeg command, and per page fill.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${BUILD_DIR:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADREL_BENCH=ON >/dev/null
ninja -C "$build" -j2 ui_thumbnail_bench >/dev/null
"$build/bench/ui_thumbnail_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_filter="${1:-.}" 2>&1 | grep -E "Benchmark|---|median"
