#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it into this machine
# with apt-get (which brings in its dependencies), runs the installed
# quillmark-cli and quillmark-sample on a sample facet (generate, combine,
# verify), and removes the package again, also when a step fails. Meant for CI
# and for throwaway machines: it installs into /usr.
#
#   tools/deb-check.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# apt-get takes turns with the other scripts' installs (see tools/packages.sh).
apt_lock=$root/tools/packages.sh

"$root/tools/packages.sh" dpkg-dev
cmake --build "$build"
rm -f "$build"/quillmark_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/quillmark_*.deb)
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends

was_installed=$(dpkg-query -W -f='${Status}' quillmark 2>/dev/null | grep -c "ok installed" || true)
work=$(mktemp -d)
cleanup() {
    cd /
    rm -rf "$work"
    if [ "$was_installed" = 0 ]; then
        DEBIAN_FRONTEND=noninteractive $sudo flock "$apt_lock" apt-get remove -y -qq quillmark >/dev/null
        echo "Removed the package again."
    fi
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive $sudo flock "$apt_lock" apt-get install -y -qq "$deb" >/dev/null

cd "$work"
cli=/usr/bin/quillmark-cli
sample=/usr/bin/quillmark-sample
"$cli" --version
"$sample" make --dir facet --facet Trammel --width 48 --height 32 --seed 7
mkdir difs combined
"$cli" generate map --reference facet/reference/map1.mul --current facet/current/map1.mul --out difs \
    --facet Trammel
"$cli" generate statics --reference-index facet/reference/staidx1.mul \
    --reference-data facet/reference/statics1.mul --current-index facet/current/staidx1.mul \
    --current-data facet/current/statics1.mul --out difs --facet Trammel
"$cli" combine map --map facet/reference/map1.mul --difl difs/mapdifl1.mul --dif difs/mapdif1.mul \
    --out combined --facet Trammel
"$cli" combine statics --index facet/reference/staidx1.mul --data facet/reference/statics1.mul \
    --difl difs/stadifl1.mul --difi difs/stadifi1.mul --dif difs/stadif1.mul --out combined --facet Trammel
"$sample" verify --edited-map facet/current/map1.mul --combined-map combined/map1.mul \
    --edited-index facet/current/staidx1.mul --edited-data facet/current/statics1.mul \
    --combined-index combined/staidx1.mul --combined-data combined/statics1.mul
for file in applications/io.github.quillmark.Quillmark.desktop metainfo/io.github.quillmark.Quillmark.metainfo.xml \
    icons/hicolor/256x256/apps/io.github.quillmark.Quillmark.png man/man1/quillmark-cli.1.gz \
    doc/quillmark/copyright doc/quillmark/README.md doc/quillmark/NEWS doc/quillmark/doc/user-guide.md \
    doc/quillmark/doc/images/quillmark-window.png; do
    test -f "/usr/share/$file" || { echo "missing from the installed package: /usr/share/$file"; exit 1; }
done
grep -q "GNU GENERAL PUBLIC LICENSE" /usr/share/doc/quillmark/copyright ||
    { echo "the installed copyright file lacks the GPL's text"; exit 1; }
echo "The installed package works."
