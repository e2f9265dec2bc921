#!/bin/sh
# The report test's browser under Wine: the host's Chromium. A Windows
# program under Wine can start a program of the host, but neither wait for
# it nor read what it prints; so the test names a run first (RUN, then
# Chromium's arguments), and this writes Chromium's output to RUN.out and
# RUN.err and, once it has ended, its exit status to RUN.status, which the
# test waits for. The test hands Windows paths (C:/users/...,
# file:///C:/users/...): each drive letter becomes the prefix's folder for
# that drive. tools/windows-test.sh names this script in
# QUILLMARK_TEST_CHROMIUM_LAUNCHER.
#
#   host-chromium.sh RUN [chromium arguments...]
set -u
: "${WINEPREFIX:?runs from a program under Wine}"
host() {
    printf '%s' "$1" | sed -E "s#(^|=|file://)/?([A-Za-z]):/#\\1$WINEPREFIX/dosdevices/\\L\\2:/#"
}
run=$(host "$1")
shift
for argument; do
    shift
    set -- "$@" "$(host "$argument")"
done
status=0
/usr/lib/chromium/chromium "$@" >"$run.out" 2>"$run.err" || status=$?
echo "$status" >"$run.part" && mv "$run.part" "$run.status"
