#!/usr/bin/env bash
# Plants faults one at a time and says which of them the suite catches: each
# patch in tools/faults/ (or those named) is applied to the working tree, the
# build is brought up to date, the suite runs, and the patch is taken back out.
# A fault is caught when the build or a test fails; the suites and the Qt
# Test functions that failed are named, so that what a check alone catches
# can be weighed before it is changed. Needs a configured build folder and a
# working tree without changes to the files the patches touch.
#
#   tools/plant-faults.sh BUILD_DIR [PATCH...]
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shift
patches=("$@")
[ ${#patches[@]} -gt 0 ] || patches=("$root"/tools/faults/*.patch)

caught=0 missed=0
for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    if ! git -C "$root" apply "$patch"; then
        echo "does not apply: $name"
        exit 1
    fi
    log=$(mktemp)
    if ! nice cmake --build "$build" >/dev/null 2>&1; then
        verdict="caught (build)"
    elif QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -j"$(nproc)" -E tst_kill \
        --output-on-failure >"$log" 2>&1; then
        verdict="MISSED"
    else
        # By which suites and Qt Test functions (the rows in brackets).
        verdict="caught by $(sed -n '/tests FAILED/,$p' "$log" | awk '/^[[:space:]]+[0-9]+ - /{print $3}' |
            tr '\n' ' ')[$(grep -oE '^FAIL!  : [A-Za-z]+::[A-Za-z_]+(\([^)]*\))?' "$log" |
            sed 's/^FAIL!  : //' | sort -u | paste -sd ';')]"
    fi
    rm -f "$log"
    git -C "$root" apply -R "$patch"
    case $verdict in MISSED) missed=$((missed + 1)) ;; *) caught=$((caught + 1)) ;; esac
    echo "$verdict: $name"
done
nice cmake --build "$build" >/dev/null 2>&1
echo "caught $caught of $((caught + missed))"
[ "$missed" -eq 0 ]
