#!/bin/sh
# tabwright.exe from the zip (or an installed folder), under Wine and Xvfb, as a user meets it: the
# setup window comes up; "Load Sample/Example Database" on both sides and
# "Next >" lead to the transfer window, which lists the sample tables. A
# picture of each window goes to OUTDIR (setup-window.png, transfer-window.png).
#   scripts/windows/gui.sh ZIP|FOLDER OUTDIR
# WINEPREFIX names the Wine prefix (made when missing). Exits non-zero, saying
# why, when a window does not come up or the lists stay empty.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine.sh"
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
mkdir -p "$2"
out=$(cd "$2" && pwd)
wine_prefix_ready

# The windows' client sizes (twips / 15, src/setup/Form1.cpp and
# src/transferwindow/Form2.cpp) and where their controls are, in client pixels.
setup_width=536
setup_height=310
transfer_width=535
paradox_sample="144 109"
foxpro_sample="144 241"
next_button="268 288"
foxpro_list="26 34 200 50"
paradox_list="290 34 200 50"

work=$(mktemp -d "${TMPDIR:-/tmp}/tw-gui-XXXXXX")
xvfb_pid=""
finish() {
  wineserver_kill
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "gui: $*" >&2
  [ -n "${DISPLAY:-}" ] && import -window root "$out/failed-screen.png" 2>/dev/null && echo "gui: the screen is in $out/failed-screen.png" >&2
  exit 1
}

if [ -d "$program" ]; then
  folder=$program
else
  folder="$work/Tabwright"
  mkdir -p "$folder"
  unzip -q "$program" -d "$folder"
fi

# A display of our own.
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
i=0
until xdpyinfo >/dev/null 2>&1; do
  i=$((i + 1)); [ $i -lt 50 ] || fail "Xvfb did not start"; sleep 0.2
done

# A first start: no settings yet.
"$tw_wine" reg delete 'HKCU\Software\Kestrava' /f >/dev/null 2>&1 || true
# Wine's desktop in a window draws Windows' own frames and captions.
(cd "$folder" && exec "$tw_wine" explorer /desktop=Tabwright,800x560 tabwright.exe >"$work/wine.log" 2>&1) &

# The frame of the visible program window: "X Y WIDTH HEIGHT".
frame() {
  for id in $(xdotool search --onlyvisible --name '^Tabwright$' 2>/dev/null); do
    xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                              /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
    return 0
  done
  return 1
}
# Waits for a visible program window whose frame is WIDTH wide (give or take the border).
wait_for() {
  i=0
  while :; do
    if f=$(frame) && [ -n "$f" ]; then
      set -- "$1" $f
      [ $(($4 - $1)) -ge 0 ] && [ $(($4 - $1)) -le 16 ] && { echo "$2 $3 $4 $5"; return 0; }
    fi
    i=$((i + 1)); [ $i -lt 300 ] || return 1; sleep 0.2
  done
}
shoot() { # FILE X Y W H
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${4}x${5}+${2}+${3}" +repage "$1"
}
click() { # X Y in client pixels
  xdotool mousemove $((client_x + $1)) $((client_y + $2)) click 1
  sleep 1
}
# The share of dark pixels (text) in a client rectangle: X Y W H.
ink() {
  convert "$work/screen.png" -crop "${3}x${4}+$((client_x + $1))+$((client_y + $2))" +repage \
    -colorspace Gray -threshold 50% -format '%[fx:1-mean]' info:
}

set -- $(wait_for $setup_width) || fail "the setup window did not come up: $(cat "$work/wine.log")"
border=$((($3 - setup_width) / 2))
caption=$(($4 - setup_height - 2 * border))
client_x=$(($1 + border))
client_y=$(($2 + border + caption))
# shellcheck disable=SC2086
click $paradox_sample
# shellcheck disable=SC2086
click $foxpro_sample
shoot "$out/setup-window.png" "$1" "$2" "$3" "$4"
# shellcheck disable=SC2086
click $next_button

set -- $(wait_for $transfer_width) || fail "\"Next >\" did not lead to the transfer window"
client_x=$(($1 + (${3} - transfer_width) / 2))
client_y=$(($2 + border + caption))
sleep 2 # the lists fill as the window comes up
shoot "$out/transfer-window.png" "$1" "$2" "$3" "$4"
for list in foxpro paradox; do
  eval "rect=\$${list}_list"
  # shellcheck disable=SC2086,SC2154
  share=$(ink $rect)
  awk -v s="$share" 'BEGIN { exit !(s > 0.01) }' || fail "the $list list of the transfer window is empty (ink $share)"
done

# What the user chose is kept where Windows programs keep settings.
folder=$("$tw_wine" reg query 'HKCU\Software\Kestrava\Tabwright' /v ParadoxFolder 2>/dev/null | tr -d '\r' |
  sed -n 's/.*REG_SZ[[:space:]]*//p')
case "$folder" in
  *'\Samples') ;;
  *) fail "the registry holds no Paradox folder ending in \\Samples (\"$folder\")" ;;
esac
printf '%s\n' "gui: setup window, both samples and \"Next >\": the transfer window lists the sample tables; settings in the registry ($folder)"
