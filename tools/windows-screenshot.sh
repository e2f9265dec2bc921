#!/usr/bin/env bash
# Takes the picture of the real window under Windows that doc/windows.md shows:
# the window (tools/windowscheck/windowshot.cpp, the program's own window
# class, its Generate page filled in) run under Wine with the "windows"
# platform, in a Wine virtual desktop on a virtual X display (Xvfb), so that
# Wine draws the frame as Windows would. Saved as doc/images/quillmark-window-windows.png.
#
#   tools/windows-screenshot.sh [WINDOWS_BUILD]
set -euo pipefail
source "$(dirname "$0")/windows/wine-env.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
"$root/tools/packages.sh" xvfb
cmake --build "$build" --target windowshot >/dev/null

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'WINEPREFIX="$build/wine" "$wineserver" -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
sleep 2
picture=$root/doc/images/quillmark-window-windows.png
mkdir -p "$(dirname "$picture")"
shot=$build/windowshot.png
rm -f "$shot"
# Wine's drive Z: is the host's root. Qt's own FreeType font engine: with
# Wine's DirectWrite, the default one, line edits draw no text at all.
DISPLAY=$display QT_QPA_PLATFORM=windows:fontengine=freetype "$root/tools/windows/wine-run.sh" "$build/wine" explorer /desktop=quillmark,760x640 \
    "$build/tests/windows/windowshot.exe" "Z:$shot"
DISPLAY=$display WINEPREFIX="$build/wine" timeout 60 "$wineserver" -w || true
test -s "$shot" || { echo "no picture was taken"; exit 1; }
mv "$shot" "$picture"
echo "Rendered $picture"
