#!/usr/bin/env bash
# Installs what building and testing Quillmark needs on Debian 12, then
# configures and builds it. Safe to run again: it installs only what is missing
# and builds only what changed.
#
#   tools/setup.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true

# dpkg-dev: cpack's Debian package takes its dependencies from dpkg-shlibdeps.
# libxxhash-dev: the manifests' hashes, from its one header (nothing to link).
"$root/tools/packages.sh" cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools zlib1g-dev libxxhash-dev \
    fonts-dejavu-core dpkg-dev
# The browser that the report's test opens its page in (tests/report); the
# test skips where it is missing, so a machine without it still builds.
"$root/tools/packages.sh" chromium || echo "chromium could not be installed: the report's browser check will skip"

cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
