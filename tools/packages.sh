#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing, with apt-get
# (through sudo when not run as root). Does nothing when all are there.
#
#   tools/packages.sh PACKAGE...
set -euo pipefail

# One at a time: CI installs from steps that run side by side, and apt-get
# fails at once where another holds its lock. The lock is this script's own
# file, which every caller opens.
exec 9<"$0"
flock 9

missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
