#!/bin/sh
# Runs one cross-built QtTest program under Wine, as CTest's emulator for the
# Windows build: headless (the offscreen platform, Liberation fonts), the
# folders the tests read given as Windows paths, and the result, which QtTest
# writes to a file under Wine, printed here.
#   scripts/windows/wine-qtest.sh PROGRAM.exe [QtTest arguments]
# Wine does not hand variables named QT_* on to Windows programs, and
# "-platform" is an error to QtTest programs without a QGuiApplication, so
# the Qt variables are set by cmd.exe, inside Wine, before it starts the test.
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
# Offscreen text takes its fonts from one folder and falls back on what it
# finds there: Liberation Sans alone, the Arial the windows are laid out for.
font_dir=${TW_FONT_DIR:-$WINEPREFIX/tw-fonts}
if [ -z "${TW_FONT_DIR:-}" ] && [ ! -e "$font_dir/LiberationSans-Regular.ttf" ]; then
  mkdir -p "$font_dir"
  ln -sf /usr/share/fonts/truetype/liberation/LiberationSans-*.ttf "$font_dir/"
fi
fonts=$(wine_path "$font_dir")

result=$(mktemp "${TMPDIR:-/tmp}/tw-qtest-XXXXXX")
command="set QT_QPA_PLATFORM=offscreen&& set QT_QPA_FONTDIR=$fonts&& $(wine_path "$program") -o $(wine_path "$result"),txt"
for arg in "$@"; do
  command="$command $arg"
done
"$tw_wine" cmd /c "$command" >/dev/null 2>&1 </dev/null
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$result" ]; then
  # Wine itself failed before the program wrote a line (seen rarely while
  # another test's programs end): once more. A test that fails writes its
  # result, and that result stands.
  echo "wine-qtest: Wine ended with $status before $(basename "$program") wrote a result; running it again" >&2
  "$tw_wine" cmd /c "$command" >/dev/null 2>&1 </dev/null
  status=$?
fi
cat "$result"
rm -f "$result"
exit $status
