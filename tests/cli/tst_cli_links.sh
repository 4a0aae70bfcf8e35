#!/bin/sh
# Fails when a program links Qt's widget or GUI libraries: tabwright-cli must
# run where there is no display and no Qt GUI installed.
#   tst_cli_links.sh PROGRAM
set -eu
program=$1
[ -x "$program" ] || { echo "tst_cli_links: no program $program" >&2; exit 2; }
libraries=$(ldd "$program") || { echo "tst_cli_links: ldd cannot read $program" >&2; exit 2; }
found=$(printf '%s\n' "$libraries" | grep -E 'libQt6(Widgets|Gui)[.]' || true)
if [ -n "$found" ]; then
  echo "$(basename "$program") links Qt's widget libraries:" >&2
  echo "$found" >&2
  exit 1
fi
echo "tst_cli_links: $(basename "$program") links QtCore without QtGui and QtWidgets."
