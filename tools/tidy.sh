#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over the sources of the engine,
# the window and its workers, and the tools, with the compile commands of a
# build folder (the one tools/setup.sh makes, by default), configured and
# built here if need be; fails on any finding. Files built only for Windows
# are left out: this build has no compile commands for them.
#
#   tools/tidy.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/tools/packages.sh" clang-tidy cmake ninja-build g++ qt6-base-dev zlib1g-dev libxxhash-dev

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$build" >/dev/null
# The compile commands without the precompiled headers (QUILLMARK_PCH): each
# file is checked with only what it includes itself, so a missing include is
# a finding, as it would be in a build without them.
mkdir -p "$build/tidy"
sed -e 's| -Winvalid-pch -include [^ ]*/cmake_pch\.hxx||' "$build/compile_commands.json" \
    >"$build/tidy/compile_commands.json"
cd "$root"
git ls-files 'core/*.cpp' 'app/*.cpp' 'diff/*.cpp' 'tools/*.cpp' \
    | grep -v -e '_windows\.cpp$' -e '^app/windowsregistry\.cpp$' -e '^tools/windowscheck/' \
    | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build/tidy" --quiet \
        --header-filter="^$root/(core|app|diff|tools)/"
echo "clang-tidy: no findings in core/, app/, diff/ and tools/"
