#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, headless.
#
#   tools/test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/tools/setup.sh" "$@"
# The checkers of the packaging tests, which skip where these are absent.
"$root/tools/packages.sh" desktop-file-utils appstream man-db
# As many suites at a time as there are processor cores: most of them wait on
# the disk or on child processes (each works in a folder of its own).
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
