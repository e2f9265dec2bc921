#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, headless.
#
#   tools/test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/tools/setup.sh" "$@"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure
