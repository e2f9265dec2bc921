#!/usr/bin/env bash
# Whole processes against their floors, on a full-size sample facet (Felucca,
# 896 x 512 blocks), each pair timed in one hyperfine run so that both meet
# the same machine:
#
#   combine statics, into a tmpfs        against  cat of its two inputs into the tmpfs
#   combine statics, into a tmpfs        against  dd bs=1M of its two inputs into the tmpfs
#   combine statics, onto the disk       against  dd bs=1M conv=fsync of its two outputs
#   generate map                         against  cmp of two identical maps
#   combine map, onto the disk           against  dd bs=1M conv=fsync of its output
#   generate map, container reference    against  generate map, plain reference
#
# Prints hyperfine's table for each pair and the ratio of their means.
#
#   bench/floors.sh [BUILD_DIR] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-20}
"$root/tools/packages.sh" hyperfine

cli=$build/tools/cli/quillmark-cli
sample=$build/tools/samplefacet/quillmark-sample
memory=$(mktemp -d /dev/shm/quillmark-floors.XXXXXX)
disk=$(mktemp -d "$build/floors.XXXXXX")
trap 'rm -rf "$memory" "$disk"' EXIT

"$sample" make --dir "$memory/facet" --full --seed 2026 >/dev/null
ref=$memory/facet/reference cur=$memory/facet/current difs=$memory/difs
mkdir -p "$difs" "$memory/out" "$disk/out"
"$cli" generate statics --reference-index "$ref/staidx0.mul" --reference-data "$ref/statics0.mul" \
    --current-index "$cur/staidx0.mul" --current-data "$cur/statics0.mul" --out "$difs" --facet 0 >/dev/null
"$cli" generate map --reference "$ref/map0.mul" --current "$cur/map0.mul" --out "$difs" --facet 0 >/dev/null
"$cli" convert map --in "$ref/map0.mul" --to uop --out "$memory" --facet 0 >/dev/null
cp "$ref/map0.mul" "$memory/map-copy.mul"

combineStatics() {
    echo "$cli combine statics --index $ref/staidx0.mul --data $ref/statics0.mul --difl $difs/stadifl0.mul" \
        "--difi $difs/stadifi0.mul --dif $difs/stadif0.mul --out $1 --facet 0"
}
syncWrite() {
    local commands=()
    for file in "$@"; do
        commands+=("dd if=$file of=$disk/copy-$(basename "$file") bs=1M conv=fsync status=none")
    done
    local IFS=';'
    echo "sh -c '${commands[*]}'"
}

pair() {
    local name=$1 job=$2 floor=$3
    printf '\n== %s\n' "$name"
    hyperfine --warmup 3 --runs "$runs" --export-json "$disk/pair.json" -N "$job" "$floor" >/dev/null 2>&1 \
        || hyperfine --warmup 3 --runs "$runs" --export-json "$disk/pair.json" "$job" "$floor" >/dev/null
    python3 - "$disk/pair.json" <<'EOF'
import json, sys
job, floor = json.load(open(sys.argv[1]))["results"]
ms = lambda r: f"{r['mean'] * 1000:.1f} ms ± {r['stddev'] * 1000:.1f}"
print(f"job   {ms(job)}\nfloor {ms(floor)}\nratio {job['mean'] / floor['mean']:.2f}")
EOF
}

pair "combine statics into a tmpfs, against cat of its inputs" "$(combineStatics "$memory/out")" \
    "sh -c 'cat $ref/staidx0.mul $ref/statics0.mul > $memory/cat-out'"
# cat copies inside the kernel (copy_file_range); the job's runs of block data
# are a few hundred bytes each and pass through the process, as dd's do.
pair "combine statics into a tmpfs, against dd bs=1M of its inputs (read and write)" \
    "$(combineStatics "$memory/out")" \
    "sh -c 'dd if=$ref/staidx0.mul of=$memory/dd-index bs=1M status=none; dd if=$ref/statics0.mul of=$memory/dd-data bs=1M status=none'"
eval "$(combineStatics "$disk/out")" >/dev/null
pair "combine statics onto the disk, against dd conv=fsync of its outputs" "$(combineStatics "$disk/out")" \
    "$(syncWrite "$disk/out/staidx0.mul" "$disk/out/statics0.mul")"
pair "generate map, against cmp of two identical maps" \
    "$cli generate map --reference $ref/map0.mul --current $cur/map0.mul --out $memory/out --facet 0" \
    "cmp $ref/map0.mul $memory/map-copy.mul"
combineMap="$cli combine map --map $ref/map0.mul --difl $difs/mapdifl0.mul --dif $difs/mapdif0.mul --out $disk/out --facet 0"
$combineMap >/dev/null
pair "combine map onto the disk, against dd conv=fsync of its output" "$combineMap" \
    "$(syncWrite "$disk/out/map0.mul")"
pair "generate map from a container reference, against a plain one" \
    "$cli generate map --reference $memory/map0LegacyMUL.uop --current $cur/map0.mul --out $memory/out --facet 0" \
    "$cli generate map --reference $ref/map0.mul --current $cur/map0.mul --out $memory/out --facet 0"
