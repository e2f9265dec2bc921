#!/usr/bin/env bash
# Builds every libFuzzer target in fuzz/ with clang (in a build directory of
# its own) and runs each for SECONDS (default 60), starting from its committed
# seed corpus, as many at a time as there are processor cores. New inputs the
# fuzzer finds go to BUILD_DIR/corpus/<target>; a crash or a broken property
# fails the script, with the input saved in BUILD_DIR/crashes/. SECONDS 0
# builds the targets and runs none.
#
#   tools/fuzz.sh [SECONDS] [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}

"$root/tools/packages.sh" cmake ninja-build clang libclang-rt-14-dev qt6-base-dev zlib1g-dev libxxhash-dev

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLMARK_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers
[ "$seconds" != 0 ] || exit 0

# Targets write their inputs to files; memory is faster than the disk for that.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

# Runs one target, its output kept in a log of its own beside its corpus.
fuzz() {
    local target=$1 corpus="$build/corpus/$1"
    mkdir -p "$corpus" "$build/crashes"
    # Inputs past 64 KiB add nothing the tables and chunks need; a single
    # allocation past 64 MiB counts as the unbounded kind.
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -malloc_limit_mb=64 \
        -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" \
        "$corpus" "$root/fuzz/corpus/$target" >"$build/$target.log" 2>&1
}

# As many targets at a time as there are processor cores; each one's log is
# printed when it ends, and any that fails fails the script.
mapfile -t targets < <(grep -v '^$' "$build/fuzz/fuzzers.txt")
jobs=$(nproc)
status=0
for ((first = 0; first < ${#targets[@]}; first += jobs)); do
    batch=("${targets[@]:first:jobs}")
    pids=()
    for target in "${batch[@]}"; do
        fuzz "$target" &
        pids+=($!)
    done
    for i in "${!batch[@]}"; do
        result=0
        wait "${pids[$i]}" || result=$?
        echo "== ${batch[$i]}, $seconds s"
        if [ "$result" -eq 0 ]; then
            tail -n 12 "$build/${batch[$i]}.log"
        else
            cat "$build/${batch[$i]}.log"
            echo "${batch[$i]} failed (exit $result): its input is in $build/crashes/"
            status=1
        fi
    done
done
exit "$status"
