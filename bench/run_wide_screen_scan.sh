#!/bin/sh
# Builds the wide-screen scan benchmark in Release and runs it (needs about 512 MiB of free
# space in the temporary folder, or KADREL_BENCH_FILE pointing elsewhere).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${KADREL_BENCH_BUILD:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADREL_BENCH=ON >/dev/null
ninja -C "$build" -j2 wide_screen_scan_bench
# From the build folder: a build through ccache with CCACHE_BASEDIR names its sources relative
# to it, and the benchmark finds its sample clip beside its own source.
cd "$build" && bench/wide_screen_scan_bench
