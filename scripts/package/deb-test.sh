#!/bin/sh
# The Debian package as a user meets it, on this machine (CI: a fresh Debian
# 12, as root): builds it (deb.sh), checks it (lintian: no error or warning; the
# AppStream metainfo with appstreamcli), installs it with dpkg -i and its
# dependencies with apt-get install -f, starts tabwright offscreen, copies
# with the installed tabwright-cli both ways (the samples and a corpus table,
# read back with pxlib and dbfread), removes it with dpkg -r and checks that
# nothing it installed is left. Prints the package's files and each step's
# output; exits non-zero at the first step that fails.
#   scripts/package/deb-test.sh [PACKAGE.deb]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shared=${TW_SHARED_DIR:-$root/../shared}
[ -d "$shared/corpus" ] || { echo "deb-test: no shared corpus: set TW_SHARED_DIR (or put shared/ beside the checkout)" >&2; exit 1; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
fail() { echo "deb-test: $*" >&2; exit 1; }
step() { printf '\n== %s\n' "$*"; }

if [ $# -ge 1 ]; then
  deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  "$root/scripts/deps.sh" package
else
  deb=$("$root/scripts/package/deb.sh" | tail -n 1)
fi
[ -f "$deb" ] || fail "no package: $deb"
work=$(mktemp -d "${TMPDIR:-/tmp}/tw-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT

step "$(basename "$deb")"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb" | awk '{ print $1, $3, $6 }'

step "lintian"
# An error or a warning fails the step (the package has none).
code=0
lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 || code=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$code" -eq 0 ] || fail "lintian reports errors or warnings"

step "appstreamcli validate --no-net"
dpkg-deb -x "$deb" "$work/unpacked"
appstreamcli validate --no-net "$work"/unpacked/usr/share/metainfo/*.metainfo.xml || fail "the AppStream metainfo is not valid"

step "dpkg -i, apt-get install -f"
if ! $sudo dpkg -i "$deb"; then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -f -y -qq
fi
dpkg-query -W -f='${Package} ${Version} ${Status}\n' tabwright
dpkg-query -W -f='${Status}' tabwright | grep -q 'install ok installed' || fail "tabwright is not installed"
dpkg -L tabwright | sort >"$work/installed.txt"

step "run"
# A user of our own making: settings and work files in a scratch home.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
mkdir -p "$HOME"
tabwright --version
tabwright-cli --version
[ "$(tabwright --version)" = "tabwright $(dpkg-query -W -f='${Version}' tabwright)" ] || fail "tabwright --version is not the package's version"
QT_QPA_PLATFORM=offscreen tabwright >"$work/gui.log" 2>&1 &
gui=$!
sleep 5
kill -0 "$gui" 2>/dev/null || fail "tabwright ended at start: $(cat "$work/gui.log")"
kill "$gui"
wait "$gui" 2>/dev/null || true
echo "tabwright started offscreen and was running after 5 seconds"
mkdir -p "$work/paradox" "$work/foxpro"
# The installed samples both ways, each copy compared with its source value by value.
tabwright-cli copy --to paradox --foxpro /usr/share/tabwright/Samples --paradox "$work/paradox" --yes --verify orders products
tabwright-cli copy --to foxpro --paradox /usr/share/tabwright/Samples --foxpro "$work/foxpro" --yes --verify clients stock
# A corpus table to FoxPro; the independent readers read it and the sample copied to Paradox above.
cp "$shared/corpus/paradox/CUSTOMER.DB" "$shared/corpus/paradox/CUSTOMER.MB" "$work/paradox/"
tabwright-cli copy --to foxpro --paradox "$work/paradox" --foxpro "$work/foxpro" --yes CUSTOMER
gcc -O2 -o "$work/pxjson" "$shared/tools/pxjson.c" -lpx
# FOLDER NAME EXTENSION: the table's file, whatever its letter case.
table() { find "$1" -maxdepth 1 -iname "$2.$3" | head -n 1; }
pxjson() { # DB: the table with its blob file when it has one
  mb=$(table "$(dirname "$1")" "$(basename "$1" | sed 's/\.[^.]*$//')" mb)
  "$work/pxjson" "$1" ${mb:+"$mb"}
}
check() { # DIRECTION SOURCE.jsonl TARGET.jsonl WHAT
  /usr/bin/python3 "$root/tests/e2e/copycheck.py" "$1" "$2" "$3" || fail "the independent readers read other values from $4"
}
pxjson "$(table "$work/paradox" orders db)" >"$work/orders.paradox.jsonl"
/usr/bin/python3 "$shared/tools/dbfjson.py" /usr/share/tabwright/Samples/orders.dbf >"$work/orders.foxpro.jsonl"
check to-paradox "$work/orders.foxpro.jsonl" "$work/orders.paradox.jsonl" "the copy of orders"
pxjson "$work/paradox/CUSTOMER.DB" >"$work/customer.paradox.jsonl"
/usr/bin/python3 "$shared/tools/dbfjson.py" "$(table "$work/foxpro" customer dbf)" >"$work/customer.foxpro.jsonl"
check to-foxpro "$work/customer.paradox.jsonl" "$work/customer.foxpro.jsonl" "the copy of CUSTOMER"
echo "pxlib and dbfread read the copies with their sources' values"
[ -f "$XDG_DATA_HOME/Kestrava/Tabwright/dbtemp.mdb" ] || fail "no work database in the user's data folder"
echo "work database: $XDG_DATA_HOME/Kestrava/Tabwright/dbtemp.mdb"
[ ! -e /usr/share/tabwright/dbtemp.mdb ] || fail "the program wrote among its installed files"

step "dpkg -r"
$sudo dpkg -r tabwright
status=$(dpkg-query -W -f='${Status}' tabwright 2>/dev/null || true)
case "$status" in "" | *not-installed*) ;; *) fail "tabwright is still known to dpkg: $status" ;; esac
left=""
while read -r path; do
  # The folders the package shares with others stay; its own go.
  [ -d "$path" ] && case "$path" in /usr/share/tabwright* | /usr/share/doc/tabwright) ;; *) continue ;; esac
  [ -e "$path" ] && left="$left $path"
done <"$work/installed.txt"
[ -z "$left" ] || fail "left behind:$left"
echo "removed: none of the $(wc -l <"$work/installed.txt") installed paths is left"
