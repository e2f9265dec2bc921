#!/usr/bin/env bash
# Renders the README's pictures again, headless, into doc/images/: the window
# as the form test draws it, and what `quillmark-cli inspect --picture` draws
# of the changes between a full-size sample facet and its edited copy.
#
#   tools/screenshots.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/tools/setup.sh" "$build"
images=$root/doc/images
mkdir -p "$images"

QT_QPA_PLATFORM=offscreen "$build/tests/form/tst_form" resizeAndScreenshots >/dev/null
cp "$build/screenshots/form-generate.png" "$images/quillmark-window.png"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/samplefacet/quillmark-sample" make --dir "$work/facet" --full --seed 2026 >/dev/null
mkdir "$work/difs"
"$build/tools/cli/quillmark-cli" generate map --reference "$work/facet/reference/map0.mul" \
    --current "$work/facet/current/map0.mul" --out "$work/difs" --facet Felucca >/dev/null
"$build/tools/cli/quillmark-cli" inspect map --difl "$work/difs/mapdifl0.mul" --dif "$work/difs/mapdif0.mul" \
    --map "$work/facet/reference/map0.mul" --picture "$images/sample-changes.png"
echo "Rendered $images/quillmark-window.png and $images/sample-changes.png"
