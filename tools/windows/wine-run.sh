#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: CMake's emulator for
# the build-time tools (icon table, icons) and for every ctest suite.
#
#   tools/windows/wine-run.sh PREFIX PROGRAM.exe [ARGUMENT...]
#
# PREFIX is a Wine prefix of the build's own, made on first use (never the
# user's ~/.wine); QUILLMARK_WINEPREFIX, when set, overrides it, so that the
# suite can run in a fresh one. Wine hands no QT_* variable to the program
# (it drops them as the host's), but turns WINEQT_* into QT_*: each QT_*
# variable set here is passed on that way, QT_QPA_PLATFORM=offscreen above
# all, without which a window test waits for a display. Qt's messages go to
# the debugger's stream on Windows unless QT_FORCE_STDERR_LOGGING is set.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

prefix=${QUILLMARK_WINEPREFIX:-$1}
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No prompt to install Wine's .NET and HTML add-ons, which nothing here uses.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export QT_FORCE_STDERR_LOGGING=1
for name in $(compgen -e); do
    case $name in QT_*) export "WINE$name=${!name}" ;; esac
done

if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$(dirname "$prefix")"
    # Programs run side by side in a parallel build; one makes the prefix.
    exec 9>"$prefix.lock"
    flock 9
    [ -f "$prefix/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1
    flock -u 9
    exec 9>&-
fi
# Wine shares no folders, but serves UNC paths from dosdevices/unc: there,
# \\localhost\c$ (the C: drive's administrative share on Windows) leads to
# the prefix's C: drive, so that a path through a share is tried as well.
share=$prefix/dosdevices/unc/localhost/c\$
[ -L "$share" ] || { mkdir -p "$(dirname "$share")" && ln -s ../../c: "$share" 2>/dev/null; } || true
if [ -z "${QUILLMARK_WINE_ONE_AT_A_TIME:-}" ]; then
    exec "$wine" "$@"
fi
# The suite runs one program at a time and ends the prefix's Wine session
# after each: a program killed by a test leaves its console host (conhost)
# behind, which holds the output pipe open, and ctest would wait for it.
status=0
"$wine" "$@" || status=$?
"$wineserver" -k 2>/dev/null || true
exit "$status"
