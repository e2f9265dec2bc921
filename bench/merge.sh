#!/usr/bin/env bash
# Merges and rebases as whole processes on full-size sample facets (Felucca,
# 896 x 512 blocks, statics at the sample's density), each against its floor,
# the two timed in one hyperfine run so that both meet the same machine:
#
#   merge map, onto the disk        against  cat of its three inputs, then dd conv=fsync of its output
#   merge statics, onto the disk    against  cat of its six inputs, then dd conv=fsync of its two outputs
#   rebase map, into a tmpfs        against  combine map, then generate map from the new base to it
#   rebase statics, into a tmpfs    against  combine statics, then generate statics likewise
#
# Ours is the sample's edited copy; theirs is its reference with another
# sample's changes laid over it, so that the two sides meet in some blocks
# (their conflicts take ours). The patch rebased is the one from the
# reference to ours. Prints hyperfine's means for each pair and their ratio.
#
#   bench/merge.sh [BUILD_DIR] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-10}
"$root/tools/packages.sh" hyperfine

cli=$build/tools/cli/quillmark-cli
sample=$build/tools/samplefacet/quillmark-sample
memory=$(mktemp -d /dev/shm/quillmark-merge.XXXXXX)
disk=$(mktemp -d "$build/merge.XXXXXX")
trap 'rm -rf "$memory" "$disk"' EXIT

"$sample" make --dir "$memory/facet" --full --seed 2026 >/dev/null
"$sample" make --dir "$memory/other" --full --seed 2027 >/dev/null
ref=$memory/facet/reference cur=$memory/facet/current theirs=$memory/theirs difs=$memory/difs
mkdir -p "$theirs" "$difs" "$memory/changes" "$memory/out" "$disk/out"

generate() {  # KIND FROM TO OUT: the difference files between two copies
    if [ "$1" = map ]; then
        echo "$cli generate map --reference $2/map0.mul --current $3/map0.mul --out $4 --facet 0"
    else
        echo "$cli generate statics --reference-index $2/staidx0.mul --reference-data $2/statics0.mul" \
            "--current-index $3/staidx0.mul --current-data $3/statics0.mul --out $4 --facet 0"
    fi
}
combine() {  # KIND BASE DIFS OUT
    if [ "$1" = map ]; then
        echo "$cli combine map --map $2/map0.mul --difl $3/mapdifl0.mul --dif $3/mapdif0.mul --out $4 --facet 0"
    else
        echo "$cli combine statics --index $2/staidx0.mul --data $2/statics0.mul --difl $3/stadifl0.mul" \
            "--difi $3/stadifi0.mul --dif $3/stadif0.mul --out $4 --facet 0"
    fi
}
for kind in map statics; do
    $(generate $kind "$memory/other/reference" "$memory/other/current" "$memory/changes") >/dev/null
    $(combine $kind "$ref" "$memory/changes" "$theirs") --force >/dev/null
    $(generate $kind "$ref" "$cur" "$difs") >/dev/null
done

pair() {
    local name=$1 job=$2 floor=$3
    printf '\n== %s\n' "$name"
    hyperfine --warmup 2 --runs "$runs" --export-json "$disk/pair.json" "$job" "$floor" >/dev/null
    python3 - "$disk/pair.json" <<'EOF'
import json, sys
job, floor = json.load(open(sys.argv[1]))["results"]
ms = lambda r: f"{r['mean'] * 1000:.1f} ms ± {r['stddev'] * 1000:.1f}"
print(f"job   {ms(job)}\nfloor {ms(floor)}\nratio {job['mean'] / floor['mean']:.2f}")
EOF
}
syncWrite() {
    for file in "$@"; do
        printf 'dd if=%s of=%s bs=1M conv=fsync status=none; ' "$file" "$disk/copy-$(basename "$file")"
    done
}

mergeMap="$cli merge map --base $ref/map0.mul --ours $cur/map0.mul --theirs $theirs/map0.mul --out $disk/out --facet 0 --prefer ours"
mergeStatics="$cli merge statics --base-index $ref/staidx0.mul --base-data $ref/statics0.mul --ours-index $cur/staidx0.mul --ours-data $cur/statics0.mul --theirs-index $theirs/staidx0.mul --theirs-data $theirs/statics0.mul --out $disk/out --facet 0 --prefer ours"
$mergeMap && $mergeStatics
pair "merge map onto the disk, against cat of its inputs and dd conv=fsync of its output" "$mergeMap" \
    "sh -c 'cat $ref/map0.mul $cur/map0.mul $theirs/map0.mul >/dev/null; $(syncWrite "$disk/out/map0.mul")'"
pair "merge statics onto the disk, against cat of its inputs and dd conv=fsync of its outputs" "$mergeStatics" \
    "sh -c 'cat $ref/staidx0.mul $ref/statics0.mul $cur/staidx0.mul $cur/statics0.mul $theirs/staidx0.mul $theirs/statics0.mul >/dev/null; $(syncWrite "$disk/out/staidx0.mul" "$disk/out/statics0.mul")'"

mkdir -p "$memory/combined" "$memory/generated"
pair "rebase map into a tmpfs, against combine map and generate map" \
    "$cli rebase map --reference $ref/map0.mul --difl $difs/mapdifl0.mul --dif $difs/mapdif0.mul --onto $theirs/map0.mul --out $memory/out --facet 0 --prefer ours" \
    "sh -c '$(combine map "$ref" "$difs" "$memory/combined"); $(generate map "$theirs" "$memory/combined" "$memory/generated")'"
pair "rebase statics into a tmpfs, against combine statics and generate statics" \
    "$cli rebase statics --reference-index $ref/staidx0.mul --reference-data $ref/statics0.mul --difl $difs/stadifl0.mul --difi $difs/stadifi0.mul --dif $difs/stadif0.mul --onto-index $theirs/staidx0.mul --onto-data $theirs/statics0.mul --out $memory/out --facet 0 --prefer ours" \
    "sh -c '$(combine statics "$ref" "$difs" "$memory/combined"); $(generate statics "$theirs" "$memory/combined" "$memory/generated")'"
