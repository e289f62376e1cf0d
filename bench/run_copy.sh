#!/bin/sh
# Builds the copy benchmark (release, benchmarks on) and runs it: a copy run against cp -r and
# against cp -r followed by sync (a run flushes its copies, so that is the like-for-like
# contender), printing the ratio to each, with the ratio of the same runs with the manifest
# (/V) beside them. KADREL_BENCH_ROUNDS sets the number of interleaved rounds (5). Extra
# arguments go to the benchmark. The work folder needs about twice KADREL_BENCH_CLIPS x
# KADREL_BENCH_MIB of free space.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build="${KADREL_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADREL_BENCH=ON >/dev/null
ninja -C "$build" -j2 kadrel copy_bench
exec "$build/bench/copy_bench" "$@"
