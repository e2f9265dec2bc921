#!/usr/bin/env bash
# The main job, headless, on any machine: sets up and builds, makes a small
# sample facet (a reference copy and an edited copy, map and statics), runs
# all four jobs through quillmark-cli, and shows that combining the generated
# difference files with the reference gives back the edited facet, block by
# block. Leaves everything in demo-output/ for a look in the window.
#
#   tools/demo.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" "$root/build"

cd "$root"
cli=build/tools/cli/quillmark-cli
sample=build/tools/samplefacet/quillmark-sample
out=demo-output
ref=$out/sample/reference
cur=$out/sample/current
difs=$out/difs
combined=$out/combined
rm -rf "$out/sample" "$difs" "$combined" "$out/changes.png"
mkdir -p "$difs" "$combined"

step() { printf '\n== %s\n' "$*"; }

step "A sample Felucca facet of 128 x 96 blocks, and an edited copy of it"
"$sample" make --dir "$out/sample" --facet Felucca --width 128 --height 96 --seed 2026

step "Generate: compare the edited copy with the reference"
"$cli" generate map --reference "$ref/map0.mul" --current "$cur/map0.mul" --out "$difs" --facet Felucca
"$cli" generate statics --reference-index "$ref/staidx0.mul" --reference-data "$ref/statics0.mul" \
    --current-index "$cur/staidx0.mul" --current-data "$cur/statics0.mul" --out "$difs" --facet Felucca

step "Inspect the difference files"
"$cli" inspect map --difl "$difs/mapdifl0.mul" --dif "$difs/mapdif0.mul" --map "$ref/map0.mul" \
    --height 96 --picture "$out/changes.png"
"$cli" inspect statics --difl "$difs/stadifl0.mul" --difi "$difs/stadifi0.mul" --dif "$difs/stadif0.mul" \
    --index "$ref/staidx0.mul"

step "Combine: apply the difference files to the reference"
"$cli" combine map --map "$ref/map0.mul" --difl "$difs/mapdifl0.mul" --dif "$difs/mapdif0.mul" \
    --out "$combined" --facet Felucca
"$cli" combine statics --index "$ref/staidx0.mul" --data "$ref/statics0.mul" --difl "$difs/stadifl0.mul" \
    --difi "$difs/stadifi0.mul" --dif "$difs/stadif0.mul" --out "$combined" --facet Felucca

step "Check the combined facet against the edited copy, block by block"
"$sample" verify --edited-map "$cur/map0.mul" --combined-map "$combined/map0.mul" \
    --edited-index "$cur/staidx0.mul" --edited-data "$cur/statics0.mul" \
    --combined-index "$combined/staidx0.mul" --combined-data "$combined/statics0.mul"

printf '\n== The demo succeeded. Its files, under %s:\n' "$root"
row() { printf '  %-30s %s\n' "$1" "$2"; }
row "$ref/" "the reference facet: map0.mul, staidx0.mul, statics0.mul"
row "$cur/" "the edited copy, under the same names"
row "$difs/" "the difference files: mapdifl0.mul, mapdif0.mul, stadifl0.mul, stadifi0.mul, stadif0.mul"
row "$combined/" "the reference combined with them: map0.mul, staidx0.mul, statics0.mul"
row "$out/changes.png" "the facet's blocks, the changed ones marked"
cat <<EOT

To run the same jobs in the window, on a machine with a display:
  env -u QT_QPA_PLATFORM build/quillmark
choose an output directory and the facet Felucca, then on "Generate" name the
reference and current files, on "Combine" the files to patch and the difference
files, from the folders above.
EOT
