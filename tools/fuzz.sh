#!/usr/bin/env bash
# Builds every libFuzzer target in fuzz/ with clang (in a build directory of
# its own) and runs each for SECONDS (default 60), starting from its committed
# seed corpus. New inputs the fuzzer finds go to BUILD_DIR/corpus/<target>;
# a crash or a broken property stops the script with the input saved beside it.
#
#   tools/fuzz.sh [SECONDS] [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}

"$root/tools/packages.sh" cmake ninja-build clang libclang-rt-14-dev qt6-base-dev zlib1g-dev libxxhash-dev

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLMARK_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers

# Targets write their inputs to files; memory is faster than the disk for that.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

while read -r target; do
    [ -n "$target" ] || continue
    corpus="$build/corpus/$target"
    mkdir -p "$corpus" "$build/crashes"
    echo "== $target, $seconds s"
    # Inputs past 64 KiB add nothing the tables and chunks need; a single
    # allocation past 64 MiB counts as the unbounded kind.
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -malloc_limit_mb=64 \
        -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" \
        "$corpus" "$root/fuzz/corpus/$target"
done <"$build/fuzz/fuzzers.txt"
