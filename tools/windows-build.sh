#!/usr/bin/env bash
# Cross-builds Quillmark for 64-bit Windows on Debian: the window
# (quillmark.exe, a GUI-subsystem program), quillmark-cli.exe and
# quillmark-sample.exe (console programs) and every test program, each a
# static .exe that runs alone, with the program's icon and version in its
# resources. Build-time tools and the tests run under Wine, in a Wine prefix
# of the build's own (BUILD_DIR/wine). At its end it packs, in BUILD_DIR,
# quillmark-<version>-windows-x64.zip (the three programs, README, NEWS, the
# documents, licence) and quillmark-<version>-windows-x64-setup.exe (NSIS
# installer).
#
#   tools/windows-build.sh [BUILD_DIR] [extra cmake arguments...]
#
# The static Qt comes from tools/windows-qt.sh (built once, then cached).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
shift || true
# libxxhash-dev: the manifests' hashes, its one header copied into the build
# tree (the host's /usr/include stays off the cross compiler's path).
"$root/tools/packages.sh" cmake ninja-build qt6-base-dev qt6-base-dev-tools libxxhash-dev gcc-mingw-w64-x86-64-posix \
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 nsis fonts-dejavu-core base-files

qt=$("$root/tools/windows-qt.sh" | tail -n1)
mkdir -p "$build"
build=$(cd "$build" && pwd)
# The cross build's own choices: Release (the packages' programs; no debug
# information in static programs of tens of megabytes), no benchmarks (they
# time Linux builds), Debian's static zlib for Windows, the host's Qt tools
# (moc, uic, rcc) and Wine to run programs.
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/tools/windows/mingw-w64-x86_64.cmake" \
    -DQUILLMARK_WINDOWS_QT="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DZLIB_USE_STATIC_LIBS=ON \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tools/windows/wine-run.sh;$build/wine" \
    -DQUILLMARK_WERROR=ON -DQUILLMARK_BENCH=OFF "$@" >/dev/null
nice cmake --build "$build"
nice cmake --build "$build" --target windows_packages

# Each program runs alone: it imports no library but the system's.
for exe in "$build"/app/quillmark.exe "$build"/tools/cli/quillmark-cli.exe \
    "$build"/tools/samplefacet/quillmark-sample.exe; do
    foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' |
        grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|uuid|comdlg32|winspool|winmm|ws2_32|imm32|version|dwmapi|uxtheme|shlwapi|netapi32|userenv|mpr|setupapi|d2d1|d3d9|d3d11|dwrite|dxgi|wtsapi32|authz|api-ms-win-.*|msvcrt|ucrtbase|ntdll|rpcrt4|bcrypt|crypt32|secur32|iphlpapi|comctl32|shcore)\.dll$' || true)
    if [ -n "$foreign" ]; then
        echo "$exe needs libraries that Windows does not have: $foreign"
        exit 1
    fi
done
version=$(sed -n 's/^project(Quillmark VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
ls -l "$build/quillmark-$version-windows-x64.zip" "$build/quillmark-$version-windows-x64-setup.exe"
