#!/bin/sh
# Builds the window-stop benchmark (release, benchmarks on) and runs it: Abort to idle and close
# to the window gone, pressed a third into the first of 3 clips of 250 MiB, against the time one
# clip takes to copy; once plain and once with the 16:9 box (each copy scanned). The card and the
# target go to /dev/shm unless a folder is given: the flush of finished copies is not measured.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build="${KADREL_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADREL_BENCH=ON >/dev/null
ninja -C "$build" -j2 kadrel ui_window_stop_bench >/dev/null
work="${1:-/dev/shm}"
"$build/bench/ui_window_stop_bench" --work "$work"
"$build/bench/ui_window_stop_bench" --work "$work" --wide 1
