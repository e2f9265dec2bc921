#!/usr/bin/env bash
# The same jobs on the same sample facet with the Linux build and with the
# Windows build under Wine, then every file they wrote compared byte for
# byte: the sample facet itself, the four jobs' outputs (the manifests among
# them, which the map's verification finds exact), a container written by
# combine and converted back, and inspect's pictures of the changes.
#
#   tools/windows-samebytes.sh [LINUX_BUILD] [WINDOWS_BUILD]
set -euo pipefail
source "$(dirname "$0")/windows/wine-env.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
linux=$(cd "${1:-$root/build}" && pwd)
windows=$(cd "${2:-$root/build-windows}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"; WINEPREFIX="$windows/wine" "$wineserver" -k 2>/dev/null || true' EXIT

# Runs the whole set in the current folder with the given programs; relative
# paths, so that Windows and Linux name the same files.
jobs() {
    local cli=$1 sample=$2
    shift 2
    "$@" "$sample" make --dir facet --facet Trammel --width 64 --height 48 --seed 18 --uop >/dev/null
    mkdir difs new uop pictures
    "$@" "$cli" generate map --reference facet/reference/map1LegacyMUL.uop --current facet/current/map1.mul \
        --out difs --facet 1 >/dev/null
    "$@" "$cli" generate statics --reference-index facet/reference/staidx1.mul \
        --reference-data facet/reference/statics1.mul --current-index facet/current/staidx1.mul \
        --current-data facet/current/statics1.mul --out difs --facet 1 >/dev/null
    "$@" "$cli" verify map --map facet/reference/map1LegacyMUL.uop --difl difs/mapdifl1.mul \
        --dif difs/mapdif1.mul | grep -q "base exact"
    "$@" "$cli" combine map --map facet/reference/map1LegacyMUL.uop --difl difs/mapdifl1.mul \
        --dif difs/mapdif1.mul --out new --facet 1 >/dev/null
    "$@" "$cli" combine statics --index facet/reference/staidx1.mul --data facet/reference/statics1.mul \
        --difl difs/stadifl1.mul --difi difs/stadifi1.mul --dif difs/stadif1.mul --out new --facet 1 >/dev/null
    "$@" "$cli" combine map --map facet/reference/map1LegacyMUL.uop --difl difs/mapdifl1.mul \
        --dif difs/mapdif1.mul --out uop --facet 1 --format uop >/dev/null
    "$@" "$cli" convert map --in uop/map1LegacyMUL.uop --to mul --out uop --facet 1 >/dev/null
    "$@" "$cli" inspect map --difl difs/mapdifl1.mul --dif difs/mapdif1.mul --map facet/reference/map1LegacyMUL.uop \
        --picture pictures/map.png >/dev/null
    "$@" "$cli" inspect statics --difl difs/stadifl1.mul --difi difs/stadifi1.mul --dif difs/stadif1.mul \
        --index facet/reference/staidx1.mul --picture pictures/statics.png >/dev/null
    "$@" "$sample" verify --edited-map facet/current/map1.mul --combined-map new/map1.mul \
        --edited-index facet/current/staidx1.mul --edited-data facet/current/statics1.mul \
        --combined-index new/staidx1.mul --combined-data new/statics1.mul | grep -q "verdict: match"
}

mkdir "$work/linux" "$work/windows"
(cd "$work/linux" && jobs "$linux/tools/cli/quillmark-cli" "$linux/tools/samplefacet/quillmark-sample" env)
(cd "$work/windows" && jobs "$windows/tools/cli/quillmark-cli.exe" \
    "$windows/tools/samplefacet/quillmark-sample.exe" "$root/tools/windows/wine-run.sh" "$windows/wine")

(cd "$work/linux" && find . -type f | sort) >"$work/linux.list"
(cd "$work/windows" && find . -type f | sort) >"$work/windows.list"
diff -u "$work/linux.list" "$work/windows.list"
count=0
while read -r file; do
    cmp "$work/linux/$file" "$work/windows/$file"
    count=$((count + 1))
done <"$work/linux.list"
echo "Linux and Windows (under Wine) wrote the same bytes: $count of $count files."
