#!/bin/sh
# The Windows build and its tests under Wine, as CI runs them (.ci/run):
#   1. build.sh: the programs, the tests and the zip (cross-built with mingw-w64)
#   2. the QtTest programs under Wine, through CTest (the same tests as on Linux)
#   3. e2e.sh: tabwright-cli.exe copies the shared corpus both ways; the Linux
#      readers check every copy
#   4. gui.sh: tabwright.exe from the zip under Xvfb, its two windows
#      photographed into build/windows/screenshots (TW_SCREENSHOTS to change)
# Wine's prefix is made once, in a temporary folder, and removed at the end.
# Prints how long each part took; exits non-zero when any part failed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build="$root/build/windows/x64"
shots=${TW_SCREENSHOTS:-$root/build/windows/screenshots}
# Left out of the Wine run, and why:
# - tst_copy_interop: every check compares with the Linux readers (python3 with
#   dbfread, pxlib), which do not run inside Wine; e2e.sh does the same for the
#   Windows programs, reading their tables from Linux.
# - tst_replace: each case checks the replaced tables with those readers and
#   with dcxcheck.py.
# - tst_crash_consistency: kills tabwright-cli with SIGKILL at random moments
#   and checks with the same readers; minutes long.
# - tst_format, tst_format_notices: they check the sources, not a program; the
#   Linux suite runs them.
excluded='^(tst_copy_interop|tst_replace|tst_crash_consistency|tst_format|tst_format_notices)$'

now() { date +%s; }
times=""
timed() { # NAME SECONDS
  times="$times$(printf '%-28s %5ss' "$1" "$2")
"
}
failed=""

start=$(now)
"$here/build.sh"
timed "Windows build and zip" $(($(now) - start))

. "$here/wine.sh"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tw-windows-XXXXXX")
export WINEPREFIX="$scratch/wine"
cleanup() {
  wineserver_kill
  rm -rf "$scratch"
}
trap cleanup EXIT
start=$(now)
wine_prefix_ready
timed "Wine prefix" $(($(now) - start))

echo "== Windows tests under Wine"
start=$(now)
# Headless: the tests choose the offscreen platform themselves.
if ! env -u DISPLAY ctest --test-dir "$build" --output-on-failure -j2 --timeout 600 -E "$excluded"; then
  failed="$failed tests"
fi
timed "Windows tests under Wine" $(($(now) - start))

echo "== tabwright-cli.exe end to end"
start=$(now)
"$here/e2e.sh" "$build" || failed="$failed e2e"
timed "end to end (corpus)" $(($(now) - start))

echo "== tabwright.exe windows"
start=$(now)
zip=$(ls "$root"/build/windows/tabwright-*-windows-x64.zip | head -n 1)
"$here/gui.sh" "$zip" "$shots" || failed="$failed windows"
timed "windows under Xvfb" $(($(now) - start))

echo "== Windows times"
printf '%s' "$times"
if [ -n "$failed" ]; then
  echo "Windows: failed:$failed" >&2
  exit 1
fi
