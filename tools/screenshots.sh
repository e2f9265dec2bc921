#!/usr/bin/env bash
# Renders the documents' pictures again, headless, into doc/images/: the window
# as the form test draws it, and what `quillmark-cli inspect --picture` draws
# of the changes between a full-size sample facet and its edited copy, and
# the top of the review report of a sample patch as headless Chromium shows it.
#
#   tools/screenshots.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/tools/setup.sh" "$build"
images=$root/doc/images
mkdir -p "$images"

QT_QPA_PLATFORM=offscreen "$build/tests/form/tst_form" screenshots >/dev/null
cp "$build/screenshots/form-generate.png" "$images/quillmark-window.png"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/samplefacet/quillmark-sample" make --dir "$work/facet" --full --seed 2026 >/dev/null
mkdir "$work/difs"
"$build/tools/cli/quillmark-cli" generate map --reference "$work/facet/reference/map0.mul" \
    --current "$work/facet/current/map0.mul" --out "$work/difs" --facet Felucca >/dev/null
"$build/tools/cli/quillmark-cli" inspect map --difl "$work/difs/mapdifl0.mul" --dif "$work/difs/mapdif0.mul" \
    --map "$work/facet/reference/map0.mul" --picture "$images/sample-changes.png"

# The review report of a sample patch, as doc/review.md shows it.
"$build/tools/samplefacet/quillmark-sample" make --dir "$work/small" --width 96 --height 64 --seed 7 >/dev/null
mkdir "$work/small-difs"
"$build/tools/cli/quillmark-cli" generate map --reference "$work/small/reference/map0.mul" \
    --current "$work/small/current/map0.mul" --out "$work/small-difs" --facet Felucca >/dev/null
"$build/tools/cli/quillmark-cli" generate statics --reference-index "$work/small/reference/staidx0.mul" \
    --reference-data "$work/small/reference/statics0.mul" --current-index "$work/small/current/staidx0.mul" \
    --current-data "$work/small/current/statics0.mul" --out "$work/small-difs" --facet Felucca >/dev/null
(cd "$work" && "$build/tools/cli/quillmark-cli" report --facet Felucca --height 64 \
    --map small/reference/map0.mul --mapdifl small-difs/mapdifl0.mul --mapdif small-difs/mapdif0.mul \
    --index small/reference/staidx0.mul --data small/reference/statics0.mul \
    --stadifl small-difs/stadifl0.mul --stadifi small-difs/stadifi0.mul --stadif small-difs/stadif0.mul \
    --outline --html report.html >/dev/null)
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$work/profile" --hide-scrollbars \
    --window-size=1280,2000 --virtual-time-budget=5000 --screenshot="$images/report.png" "file://$work/report.html" 2>/dev/null
echo "Rendered $images/quillmark-window.png, $images/sample-changes.png and $images/report.png"
