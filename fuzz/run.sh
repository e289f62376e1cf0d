#!/bin/sh
# Builds the libFuzzer target with clang and runs it for a bounded time (default 120 s).
# Usage: fuzz/run.sh [seconds]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
KADREL_EXTRA_PACKAGES="clang libclang-rt-14-dev" "$root/scripts/deps.sh"
build=${KADREL_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-120}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKADREL_FUZZ=ON >/dev/null
ninja -C "$build" -j2 wide_screen_scan_fuzz
corpus=$build/wide_screen_scan_corpus
mkdir -p "$corpus"
# Seeds: the test clips, each cut to its first 64 KiB so that runs stay fast.
for clip in "$root"/tests/data/*.mpg; do
    head -c 65536 "$clip" >"$corpus/seed-$(basename "$clip")"
done
"$build/fuzz/wide_screen_scan_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=131072 \
    -print_final_stats=1 "$corpus"
