#!/usr/bin/env bash
# Builds, once, the static QtBase that the Windows programs link: the same
# version as the host's Qt (whose moc, uic and rcc the cross build runs), from
# Debian's own source package, for x86_64-w64-mingw32 with tools/windows/
# mingw-w64-x86_64.cmake. Only Core, Gui, Widgets and Test, with the "windows"
# platform plugin and "offscreen" (which the headless tests need). A static
# Qt is not relocatable, so it is built straight into its cache folder, named
# by version and options, and reused from there while it is complete.
# Prints the folder on its last line.
#
#   tools/windows-qt.sh        (cache: ${XDG_CACHE_HOME:-$HOME/.cache}/quillmark)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/tools/windows/mingw-w64-x86_64.cmake
"$root/tools/packages.sh" dpkg-dev cmake ninja-build qt6-base-dev qt6-base-dev-tools \
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
# Only what the programs use: the widgets, dialogs and formats they never
# show are left out, and the Qt is built for size (-Os), which also compiles
# faster; the building is most of CI's time from an empty cache. The Direct2D
# feature stays (Qt 6.4 compiles the windows platform plugin's DirectWrite
# font database only with it), but not the direct2d platform plugin, a second
# copy of the windows plugin's sources that no program loads (60 of the 984
# build steps). The input dialog stays too: the vista style's precompiled
# header includes it. Of Core and Gui, what the programs never call is left
# out as well: the MIME database, time zones, shared memory and system
# semaphores, calendars other than the Gregorian, QPicture, session
# management, PPM and XBM images (910 build steps down to 894).
options=(-static -static-runtime -release -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-feature-vulkan
    -qt-zlib -qt-libpng -no-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz
    -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-concurrent
    -no-feature-xml -no-feature-tabletevent -no-feature-androiddeployqt
    -no-gif -no-ico -no-feature-textmarkdownreader -no-feature-textmarkdownwriter
    -optimize-size -no-feature-pdf -no-feature-textodfwriter
    -no-feature-undocommand -no-feature-undostack -no-feature-undogroup -no-feature-undoview
    -no-feature-graphicsview -no-feature-mdiarea -no-feature-calendarwidget -no-feature-datetimeedit
    -no-feature-fontdialog -no-feature-colordialog -no-feature-wizard -no-feature-style-stylesheet
    -no-feature-columnview -no-feature-toolbox -no-feature-dial -no-feature-lcdnumber
    -no-feature-keysequenceedit -no-feature-splashscreen -no-feature-syntaxhighlighter
    -no-feature-fontcombobox -no-feature-commandlinkbutton -no-feature-direct2d1_1
    -no-feature-systemtrayicon -no-feature-treewidget -no-feature-tablewidget
    -no-feature-progressdialog -no-feature-errormessage -no-feature-movie -no-feature-itemmodeltester
    -no-feature-mimetype -no-feature-timezone -no-feature-sharedmemory -no-feature-systemsemaphore
    -no-feature-islamiccivilcalendar -no-feature-jalalicalendar -no-feature-hijricalendar
    -no-feature-picture -no-feature-listwidget -no-feature-textbrowser -no-feature-imageformat_ppm
    -no-feature-imageformat_xbm -no-feature-sessionmanager)
# The folder's name changes with what changes the build: the Qt version, the
# options, the compiler's version and the recipe (raise it when the steps
# below change what is built).
recipe=2
compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
stamp=$(printf '%s\n' "$recipe" "$compiler" "${options[@]}" | sha256sum | cut -c1-10)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillmark
prefix=$cache/qtbase-${version//[^A-Za-z0-9.+-]/_}-x86_64-w64-mingw32-$stamp
if [ -f "$prefix/quillmark-complete" ]; then
    echo "Static Qt for Windows (cached): $prefix"
    echo "$prefix"
    exit 0
fi

# apt-get takes turns with the other scripts' installs (see tools/packages.sh).
apt_lock=$root/tools/packages.sh
# apt-get source needs the source lists; Debian 12's deb822 file names only
# binary ones ("Types: deb"), so a source twin of it is added.
enable_sources() {
    local sudo="" list=/etc/apt/sources.list.d/debian.sources
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    if apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
        return
    fi
    if [ -f "$list" ]; then
        sed 's/^Types:.*/Types: deb-src/' "$list" | $sudo tee /etc/apt/sources.list.d/quillmark-deb-src.sources >/dev/null
    else
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/quillmark-deb-src.list >/dev/null
    fi
    $sudo flock "$apt_lock" apt-get update -qq
}

work=$prefix.work
rm -rf "$work" "$prefix"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
enable_sources
(cd "$work" && flock "$apt_lock" apt-get source -qq "qt6-base=$version" >/dev/null 2>&1 ||
    { cd "$work" && flock "$apt_lock" apt-get source "qt6-base=$version"; })
source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)

# Qt builds "offscreen" only where it is the default platform; the headless
# tests need it beside "windows".
offscreen=$source/src/plugins/platforms/offscreen/CMakeLists.txt
grep -q 'DEFAULT_IF' "$offscreen"
sed -i 's/DEFAULT_IF .*/DEFAULT_IF TRUE/' "$offscreen"
# Qt builds, whatever the options, code that a Windows program never runs:
# HarfBuzz's font subsetter (nothing in Qt calls it; Qt's own PDF writer, left
# out here anyway, subsets fonts itself), the "minimal" platform plugin, and
# the frame-buffer and device-discovery helpers of Linux's platform plugins.
# About 110 s of the processor, of some 2,600.
harfbuzz=$source/src/3rdparty/harfbuzz-ng/CMakeLists.txt
grep -q 'src/hb-subset\.cc' "$harfbuzz"
sed -i '/^ *src\/hb-subset[-a-z0-9]*\.cc/d' "$harfbuzz"
platforms=$source/src/plugins/platforms/CMakeLists.txt
grep -q '^ *add_subdirectory(minimal)$' "$platforms"
sed -i '/^ *add_subdirectory(minimal)$/d' "$platforms"
platformsupport=$source/src/platformsupport/CMakeLists.txt
grep -q '^add_subdirectory(fbconvenience)$' "$platformsupport"
sed -i '/^add_subdirectory(\(devicediscovery\|fbconvenience\))$/d' "$platformsupport"

echo "Building static Qt $version for Windows into $prefix"
mkdir -p "$work/build"
(cd "$work/build" && "$source/configure" -prefix "$prefix" "${options[@]}" \
    -qt-host-path /usr -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) >"$work/configure.log" 2>&1 ||
    { tail -n 60 "$work/configure.log"; exit 1; }
nice cmake --build "$work/build" --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -n 60 "$work/build.log"; exit 1; }
cmake --install "$work/build" >/dev/null
printf '%s\n' "$version" "${options[@]}" >"$prefix/quillmark-complete"
echo "Static Qt for Windows built: $prefix"
echo "$prefix"
