#!/usr/bin/env bash
# Builds the Windows programs (tools/windows-build.sh) and runs every ctest
# suite under Wine, headless (QT_QPA_PLATFORM=offscreen, handed to the
# programs as WINEQT_QPA_PLATFORM by tools/windows/wine-run.sh), one at a
# time, in a fresh Wine prefix of the suite's own (BUILD_DIR/wine-suite;
# never the user's ~/.wine), whose registry the registry test may write.
# Prints every test that was skipped, with its reason.
#
#   tools/windows-test.sh [BUILD_DIR] [ctest arguments...]
set -euo pipefail
source "$(dirname "$0")/windows/wine-env.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
shift || true
"$root/tools/windows-build.sh" "$build"
build=$(cd "$build" && pwd)

prefix=$build/wine-suite
rm -rf "$prefix" "$prefix.lock"
export QUILLMARK_WINEPREFIX=$prefix QUILLMARK_WINE_ONE_AT_A_TIME=1
# The prefix is the suite's own: the registry test may write the game's keys.
export QUILLMARK_SCRATCH_REGISTRY=1
export QT_QPA_PLATFORM=offscreen
# The offscreen platform finds no system fonts on Windows; Debian's DejaVu,
# through Wine's drive Z: (the host's root).
export QT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/dejavu
# The report's pages in a browser: the host's Chromium, through a launcher
# that the test can wait for (a program under Wine cannot wait for one of
# the host's).
if [ -x /usr/lib/chromium/chromium ]; then
    export QUILLMARK_TEST_CHROMIUM_LAUNCHER="Z:$root/tools/windows/host-chromium.sh"
fi
trap 'WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true' EXIT

status=0
ctest --test-dir "$build" --output-on-failure "$@" || status=$?
echo
echo "Skipped under Wine, with their reasons:"
sed -n 's/^SKIP   : \(.*\)$/  \1/p; /^refusing to run/p' "$build/Testing/Temporary/LastTest.log" | sort -u
exit "$status"
