#!/usr/bin/env bash
# The main job, headless, on any machine: sets up and builds, makes a small
# sample facet (a reference copy and an edited copy, map and statics), runs
# all four jobs through quillmark-cli, and shows that combining the generated
# difference files with the reference gives back the edited facet, block by
# block. The reference map is a package container (map0LegacyMUL.uop), as
# current game clients ship it, the edited copy a plain map file; the map is
# combined into a container too, and that container converted to a plain map
# file. Ends with a review report of the sample patch, a page to open in a
# browser. Leaves everything in demo-output/ for a look in the window.
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
plain=$out/plain
rm -rf "$out/sample" "$difs" "$combined" "$plain" "$out/changes.png" "$out/report.html" "$out/report.json"
mkdir -p "$difs" "$combined" "$plain"

step() { printf '\n== %s\n' "$*"; }

step "A sample Felucca facet of 128 x 96 blocks, its reference map a container, and an edited copy"
"$sample" make --dir "$out/sample" --facet Felucca --width 128 --height 96 --seed 2026 --uop

step "Generate: compare the edited copy (plain map file) with the reference (container)"
"$cli" generate map --reference "$ref/map0LegacyMUL.uop" --current "$cur/map0.mul" --out "$difs" \
    --facet Felucca
"$cli" generate statics --reference-index "$ref/staidx0.mul" --reference-data "$ref/statics0.mul" \
    --current-index "$cur/staidx0.mul" --current-data "$cur/statics0.mul" --out "$difs" --facet Felucca

step "Inspect the difference files"
"$cli" inspect map --difl "$difs/mapdifl0.mul" --dif "$difs/mapdif0.mul" --map "$ref/map0LegacyMUL.uop" \
    --height 96 --picture "$out/changes.png"
"$cli" inspect statics --difl "$difs/stadifl0.mul" --difi "$difs/stadifi0.mul" --dif "$difs/stadif0.mul" \
    --index "$ref/staidx0.mul"

step "Verify: the reference is the base the difference files' manifests were made from"
"$cli" verify map --map "$ref/map0LegacyMUL.uop" --difl "$difs/mapdifl0.mul" --dif "$difs/mapdif0.mul"
"$cli" verify statics --index "$ref/staidx0.mul" --data "$ref/statics0.mul" --difl "$difs/stadifl0.mul" \
    --difi "$difs/stadifi0.mul" --dif "$difs/stadif0.mul"

step "Combine: apply the difference files to the reference, the map into a container"
"$cli" combine map --map "$ref/map0LegacyMUL.uop" --difl "$difs/mapdifl0.mul" --dif "$difs/mapdif0.mul" \
    --out "$combined" --facet Felucca --format uop
"$cli" combine statics --index "$ref/staidx0.mul" --data "$ref/statics0.mul" --difl "$difs/stadifl0.mul" \
    --difi "$difs/stadifi0.mul" --dif "$difs/stadif0.mul" --out "$combined" --facet Felucca

step "Check the combined facet against the edited copy, block by block"
"$sample" verify --edited-map "$cur/map0.mul" --combined-map "$combined/map0LegacyMUL.uop" \
    --edited-index "$cur/staidx0.mul" --edited-data "$cur/statics0.mul" \
    --combined-index "$combined/staidx0.mul" --combined-data "$combined/statics0.mul"

step "Convert: the combined container to a plain map file, checked block by block"
"$cli" convert map --in "$combined/map0LegacyMUL.uop" --to mul --out "$plain" --facet Felucca
"$sample" verify --edited-map "$cur/map0.mul" --combined-map "$plain/map0.mul"

step "Report: what the patch changes, where, before and after"
"$cli" report --facet Felucca --height 96 --map "$ref/map0LegacyMUL.uop" \
    --mapdifl "$difs/mapdifl0.mul" --mapdif "$difs/mapdif0.mul" \
    --index "$ref/staidx0.mul" --data "$ref/statics0.mul" \
    --stadifl "$difs/stadifl0.mul" --stadifi "$difs/stadifi0.mul" --stadif "$difs/stadif0.mul" \
    --outline --html "$out/report.html" --json "$out/report.json"

printf '\n== The demo succeeded. Its files, under %s:\n' "$root"
row() { printf '  %-30s %s\n' "$1" "$2"; }
row "$ref/" "the reference facet: map0LegacyMUL.uop, staidx0.mul, statics0.mul"
row "$cur/" "the edited copy: map0.mul, staidx0.mul, statics0.mul"
row "$difs/" "the difference files: mapdifl0.mul, mapdif0.mul, stadifl0.mul, stadifi0.mul, stadif0.mul"
row "" "and their manifests: mapdif0.manifest.json, stadif0.manifest.json"
row "$combined/" "the reference combined with them: map0LegacyMUL.uop, staidx0.mul, statics0.mul"
row "$plain/" "the combined map converted to a plain map file: map0.mul"
row "$out/changes.png" "the facet's blocks, the changed ones marked"
row "$out/report.html" "the review report of the patch: open it in a browser"
row "$out/report.json" "the same facts for scripts"
cat <<EOT

The review report of the sample patch: $root/$out/report.html

To run the same jobs in the window, on a machine with a display:
  env -u QT_QPA_PLATFORM build/app/quillmark
choose an output directory and the facet Felucca, then on "Generate" name the
reference and current files, on "Combine" the files to patch and the difference
files, from the folders above. The dialogs show a container under "All files";
the window reads it like a plain map file and writes map0.mul.
EOT
