#!/usr/bin/env bash
# The Windows installer checked as a user would meet it, under Wine in a
# fresh prefix of its own: a silent install (for the current user, no
# administrator), the installed files, Start-menu entry and "Apps & features"
# entry; the installed quillmark-cli and quillmark-sample run on a sample
# facet (make, generate, combine, verify); then a silent uninstall, after
# which nothing of it is left. The twin of tools/deb-check.sh.
#
#   tools/windows-installer-check.sh [WINDOWS_BUILD]
set -euo pipefail
source "$(dirname "$0")/windows/wine-env.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
version=$(sed -n 's/^project(Quillmark VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
setup=$build/quillmark-$version-windows-x64-setup.exe
test -f "$setup" || { echo "no installer: $setup (run tools/windows-build.sh)"; exit 1; }

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
"$wine" wineboot -i >/dev/null 2>&1
user=$("$wine" cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
home=$WINEPREFIX/drive_c/users/$user
installed=$home/AppData/Local/Programs/Quillmark
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark'

"$wine" "$setup" /S
"$wineserver" -w
for file in quillmark.exe quillmark-cli.exe quillmark-sample.exe README.md NEWS.txt doc/user-guide.md \
    doc/images/quillmark-window.png LICENSE.txt uninstall.exe; do
    test -f "$installed/$file" || { echo "not installed: $file"; exit 1; }
done
grep -q "GNU GENERAL PUBLIC LICENSE" "$installed/LICENSE.txt"
find "$home" -name 'Quillmark.lnk' | grep -q 'Start Menu/Programs/Quillmark.lnk' ||
    { echo "no Start-menu entry"; exit 1; }
"$wine" reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "$version" ||
    { echo "no Apps & features entry of version $version"; exit 1; }
echo "Installed for the current user: $installed"

cd "$work"
cli() { "$wine" "C:\\users\\$user\\AppData\\Local\\Programs\\Quillmark\\quillmark-cli.exe" "$@"; }
sample() { "$wine" "C:\\users\\$user\\AppData\\Local\\Programs\\Quillmark\\quillmark-sample.exe" "$@"; }
cli --version | tr -d '\r'
sample make --dir facet --facet Trammel --width 48 --height 32 --seed 7 >/dev/null
mkdir difs combined
cli generate map --reference facet/reference/map1.mul --current facet/current/map1.mul --out difs --facet 1
cli generate statics --reference-index facet/reference/staidx1.mul --reference-data facet/reference/statics1.mul \
    --current-index facet/current/staidx1.mul --current-data facet/current/statics1.mul --out difs --facet 1
cli combine map --map facet/reference/map1.mul --difl difs/mapdifl1.mul --dif difs/mapdif1.mul \
    --out combined --facet 1
cli combine statics --index facet/reference/staidx1.mul --data facet/reference/statics1.mul \
    --difl difs/stadifl1.mul --difi difs/stadifi1.mul --dif difs/stadif1.mul --out combined --facet 1
sample verify --edited-map facet/current/map1.mul --combined-map combined/map1.mul \
    --edited-index facet/current/staidx1.mul --edited-data facet/current/statics1.mul \
    --combined-index combined/staidx1.mul --combined-data combined/statics1.mul | tr -d '\r' | grep "verdict: match"

"$wine" "$installed/uninstall.exe" /S
"$wineserver" -w
if [ -e "$installed" ] || find "$home" -name 'Quillmark.lnk' | grep -q . ||
    "$wine" reg query "$key" >/dev/null 2>&1; then
    echo "the uninstaller left something behind"
    exit 1
fi
echo "The installer works: installed, used and uninstalled without a trace."
