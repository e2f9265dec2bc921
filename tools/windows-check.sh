#!/usr/bin/env bash
# Compiles the Windows-only code with Debian's MinGW-w64 cross compiler,
# warnings as errors, so that it cannot rot where no Windows build is made:
# the durable file commit (core/base/platformfile_windows.cpp), and the registry
# code, linked into its test and a probe that prints, run on Windows, what the
# game-directory look-up finds there. Where Wine is installed (it is not
# needed), the test also runs, in a temporary Wine prefix of its own.
#
#   tools/windows-check.sh [OUTPUT_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-windows}
"$root/tools/packages.sh" g++-mingw-w64-x86-64

mkdir -p "$out"
# The host's Qt headers serve for a syntax check: they describe the same Qt.
qt=$(dirname "$(find /usr/include -path '*qt6/QtCore/qglobal.h' | head -n 1)")
x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I"$root/core/base" \
    -isystem "$qt/.." -isystem "$qt" "$root/core/base/platformfile_windows.cpp"
echo "The Windows file commit code compiles: core/base/platformfile_windows.cpp"
compile() {
    x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -static -I"$root/app" \
        "$root/app/windowsregistry.cpp" "$@" -ladvapi32
}
compile "$root/tools/windowscheck/registryprobe.cpp" -o "$out/registryprobe.exe"
compile "$root/tests/windows/windowsregistrytest.cpp" -o "$out/windowsregistrytest.exe"
echo "The Windows registry code compiles and links: $out/registryprobe.exe, $out/windowsregistrytest.exe"

wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [ -z "$wine" ]; then
    echo "Wine is not installed: the registry test was built, not run."
    exit 0
fi
prefix=$(mktemp -d)
server=$(dirname "$wine")/wineserver
[ -x "$server" ] || server=wineserver
trap 'WINEPREFIX="$prefix" "$server" -w 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all
"$wine" wineboot -i >/dev/null 2>&1
QUILLMARK_SCRATCH_REGISTRY=1 WINEDLLOVERRIDES=mscoree,mshtml= "$wine" "$out/windowsregistrytest.exe"
