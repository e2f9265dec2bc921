#!/usr/bin/env bash
# What the manifests cost, as whole processes on a full-size sample facet
# (Felucca, 896 x 512 blocks): each job of this build against the same job
# of a build from before the manifests, in a tmpfs, the two runs of a pair
# taking turns so that both meet the machine in the same states (a shared
# machine's load comes and goes within a run of hyperfine's):
#
#   generate map, generate statics      this build (with its manifest)  against  the earlier build
#   combine map, combine statics        this build, its base checked    against  the earlier build
#                                       (exact: the reference)
#   combine map, combine statics        this build, no manifest         against  the earlier build
#
# with the median of each pair's real and processor times (the process's own
# and its kernel time), and the manifests' size per record. The earlier build
# is made once, of its quillmark-cli alone, from `git archive` of
# BASE_REVISION (the commit before the manifests unless told otherwise) into
# BUILD_DIR/manifest-base.
#
#   bench/manifest.sh [BUILD_DIR] [RUNS] [BASE_REVISION]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-20}
base_revision=${3:-46ed215}
# The pairs take turns under a small Python driver.
"$root/tools/packages.sh" python3

base=$build/manifest-base
if [ ! -x "$base/build/tools/cli/quillmark-cli" ]; then
    rm -rf "$base"
    mkdir -p "$base/src"
    git -C "$root" archive "$base_revision" | tar -x -C "$base/src"
    cmake -S "$base/src" -B "$base/build" -G Ninja >/dev/null
    nice cmake --build "$base/build" --target quillmark-cli >/dev/null
fi
earlier=$base/build/tools/cli/quillmark-cli
cli=$build/tools/cli/quillmark-cli
sample=$build/tools/samplefacet/quillmark-sample
memory=$(mktemp -d /dev/shm/quillmark-manifest.XXXXXX)
trap 'rm -rf "$memory"' EXIT

"$sample" make --dir "$memory/facet" --full --seed 2026 >/dev/null
ref=$memory/facet/reference cur=$memory/facet/current
difs=$memory/difs plain=$memory/plain
mkdir -p "$difs" "$plain" "$memory/out"
"$cli" generate map --reference "$ref/map0.mul" --current "$cur/map0.mul" --out "$difs" --facet 0 >/dev/null
"$cli" generate statics --reference-index "$ref/staidx0.mul" --reference-data "$ref/statics0.mul" \
    --current-index "$cur/staidx0.mul" --current-data "$cur/statics0.mul" --out "$difs" --facet 0 >/dev/null
# The same difference files under names that have no manifest.
for name in mapdifl0 mapdif0 stadifl0 stadifi0 stadif0; do
    cp "$difs/$name.mul" "$plain/$name.dat"
done

pair() {
    local name=$1 job=$2 floor=$3
    printf '\n== %s\n' "$name"
    python3 - "$runs" "$job" "$floor" <<'PYTHON'
import os, shlex, statistics, sys, time
runs, commands = int(sys.argv[1]), sys.argv[2:]
times = {command: [] for command in commands}
for turn in range(runs + 3):  # the first three warm the caches
    for command in commands:
        arguments = shlex.split(command)
        start = time.perf_counter()
        pid = os.fork()
        if pid == 0:
            null = os.open(os.devnull, os.O_WRONLY)
            os.dup2(null, 1)
            os.execv(arguments[0], arguments)
        _, status, usage = os.wait4(pid, 0)
        if status != 0:
            sys.exit(f"failed: {command}")
        if turn >= 3:
            times[command].append((time.perf_counter() - start, usage.ru_utime + usage.ru_stime))
median = lambda command, i: statistics.median(t[i] for t in times[command])
job, floor = commands
for label, command in (("this build", job), ("earlier", floor)):
    print(f"{label:10} {median(command, 0) * 1000:.1f} ms (processor {median(command, 1) * 1000:.1f} ms)")
print(f"ratio      {median(job, 0) / median(floor, 0):.2f} (processor {median(job, 1) / median(floor, 1):.2f})")
PYTHON
}

generateMap="generate map --reference $ref/map0.mul --current $cur/map0.mul --out $memory/out --facet 0"
generateStatics="generate statics --reference-index $ref/staidx0.mul --reference-data $ref/statics0.mul
    --current-index $cur/staidx0.mul --current-data $cur/statics0.mul --out $memory/out --facet 0"
combineMap() { echo "combine map --map $ref/map0.mul --difl $1/mapdifl0.$2 --dif $1/mapdif0.$2 --out $memory/out --facet 0"; }
combineStatics() {
    echo "combine statics --index $ref/staidx0.mul --data $ref/statics0.mul --difl $1/stadifl0.$2" \
        "--difi $1/stadifi0.$2 --dif $1/stadif0.$2 --out $memory/out --facet 0"
}

pair "generate map, with its manifest" "$cli $generateMap" "$earlier $generateMap"
pair "generate statics, with its manifest" "$cli ${generateStatics//$'\n'/}" "$earlier ${generateStatics//$'\n'/}"
pair "combine map, its base checked" "$cli $(combineMap "$difs" mul)" "$earlier $(combineMap "$difs" mul)"
pair "combine statics, its base checked" "$cli $(combineStatics "$difs" mul)" "$earlier $(combineStatics "$difs" mul)"
pair "combine map, no manifest" "$cli $(combineMap "$plain" dat)" "$earlier $(combineMap "$plain" dat)"
pair "combine statics, no manifest" "$cli $(combineStatics "$plain" dat)" "$earlier $(combineStatics "$plain" dat)"

printf '\n== manifests\n'
for set in map:mapdifl0:mapdif0 statics:stadifl0:stadif0; do
    IFS=: read -r kind locator manifest <<<"$set"
    records=$(($(stat -c %s "$difs/$locator.mul") / 4))
    bytes=$(stat -c %s "$difs/$manifest.manifest.json")
    python3 -c "print(f'$kind: {$bytes} bytes for {$records} records, {($bytes - 1024) / $records:.1f} bytes a record over 1 KB')"
done
