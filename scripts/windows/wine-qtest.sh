#!/bin/sh
# Runs one cross-built QtTest program under Wine, as CTest's emulator for the
# Windows build: headless (the offscreen platform, Liberation fonts), the
# folders the tests read given as Windows paths, and the result, which QtTest
# writes to a file under Wine, printed here.
#   scripts/windows/wine-qtest.sh PROGRAM.exe [QtTest arguments]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine.sh"
program=$1
shift
wine_prefix_ready

for name in TW_SOURCE_DIR TW_SHARED_DIR TW_BIN_DIR; do
  eval "value=\${$name:-}"
  # shellcheck disable=SC2154
  [ -n "$value" ] && export "$name=$(wine_path "$value")"
done
export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-$(wine_path /usr/share/fonts/truetype/liberation)}"
export QT_QPA_PLATFORM=offscreen

result=$(mktemp "${TMPDIR:-/tmp}/tw-qtest-XXXXXX")
# Folders a test makes go where Windows would put them, inside the prefix.
"$tw_wine" "$program" -platform offscreen -o "$(wine_path "$result"),txt" "$@" >/dev/null 2>&1 </dev/null
status=$?
cat "$result"
rm -f "$result"
exit $status
