#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over the engine's sources, with
# the compile commands of a build folder (the one tools/setup.sh makes, by
# default), configured and built here if need be; fails on any finding.
#
#   tools/tidy.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/tools/packages.sh" clang-tidy cmake ninja-build g++ qt6-base-dev zlib1g-dev libxxhash-dev

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$build" >/dev/null
cd "$root"
git ls-files 'core/*.cpp' | grep -v '_windows\.cpp$' | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet
echo "clang-tidy: no findings in core/"
