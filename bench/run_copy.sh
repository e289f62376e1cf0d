#!/bin/sh
# Builds the copy benchmark (release, benchmarks on) and runs it. Extra arguments go to the
# benchmark, e.g. --benchmark_repetitions=3. The work folder needs about twice
# KADREL_BENCH_CLIPS x KADREL_BENCH_MIB of free space.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KADREL_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADREL_BENCH=ON >/dev/null
ninja -C "$build" -j2 kadrel copy_bench
exec "$build/bench/copy_bench" "$@"
