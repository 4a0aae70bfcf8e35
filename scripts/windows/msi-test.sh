#!/bin/sh
# The Windows installer under Wine, as a user meets it, in a Wine prefix of
# its own: msiexec /i ... /qn installs per user (the files, the Start-menu
# shortcut, the "Apps" entry with the version); the installed
# tabwright-cli.exe copies the shared corpus both ways (read back from Linux
# with pxlib and dbfread, scripts/windows/e2e.py) and keeps its work database
# in the user's data folder; the installed tabwright.exe shows its windows
# under Xvfb (scripts/windows/gui.sh); the same files as a later version
# replace it in place and the settings stay; msiexec /x ... /qn removes every
# file it installed. Prints the installed files and each step's output; exits
# non-zero at the first step that fails.
#   scripts/windows/msi-test.sh [MSI]     (default: build/windows/tabwright-*-x64.msi)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$here/wine.sh"
msi=${1:-$(ls "$root"/build/windows/tabwright-*-x64.msi | head -n 1)}
msi=$(cd "$(dirname "$msi")" && pwd)/$(basename "$msi")
stage="$root/build/windows/stage"
shared=${TW_SHARED_DIR:-$root/../shared}
[ -d "$shared/corpus" ] || { echo "msi-test: no shared corpus: set TW_SHARED_DIR (or put shared/ beside the checkout)" >&2; exit 1; }
fail() { echo "msi-test: $*" >&2; exit 1; }
"$root/scripts/deps.sh" windows
step() { printf '\n== %s\n' "$*"; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tw-msi-XXXXXX")
export WINEPREFIX="$scratch/wine"
cleanup() {
  wineserver_kill
  rm -rf "$scratch"
}
trap cleanup EXIT
wine_prefix_ready

# A Windows folder of the user's, as a Linux path.
user_folder() { # VARIABLE
  "$tw_wine" winepath -u "$("$tw_wine" cmd /c echo "%$1%" | tr -d '\r')" 2>/dev/null | tr -d '\r'
}
local_data=$(user_folder LOCALAPPDATA)
start_menu="$(user_folder APPDATA)/Microsoft/Windows/Start Menu/Programs"
installed="$local_data/Programs/Tabwright"
data="$local_data/Kestrava/Tabwright"
# The "Apps" entries of Tabwright: "NAME VERSION" lines.
apps() {
  for hive in HKCU HKLM; do
    "$tw_wine" reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null | tr -d '\r'
  done | awk '/^HKEY/ { name = ""; version = "" }
              /DisplayName/ { sub(/.*REG_SZ[ \t]*/, ""); name = $0 }
              /DisplayVersion/ { sub(/.*REG_SZ[ \t]*/, ""); version = $0 }
              name == "Tabwright" && version != "" { print name, version; name = "" }'
}
msiexec() { # /i|/x MSI
  "$tw_wine" msiexec "$1" "$(wine_path "$2")" /qn || fail "msiexec $1 $(basename "$2") failed"
  wineserver_wait
}

step "msiexec /i $(basename "$msi") /qn"
msiinfo suminfo "$msi" | grep -E '^(Subject|Template|Security)' || true
msiexec /i "$msi"
[ -d "$installed" ] || fail "nothing in $installed"
(cd "$installed" && find . -type f | sort) | tee "$scratch/files.txt"
for path in tabwright.exe tabwright-cli.exe installed.txt LICENSE THIRD-PARTY-NOTICES.txt README.txt HAND-M.CUR \
  Samples/customers.dbf Samples/clients.db; do
  [ -f "$installed/$path" ] || fail "$path was not installed"
done
[ ! -e "$installed/dbtemp.mdb" ] || fail "the installer put a work database among the program's files"
version=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
for program in tabwright.exe tabwright-cli.exe; do
  # The version resource Explorer shows in the file's properties (texts in UTF-16).
  strings -e l "$installed/$program" | grep -A1 -x 'ProductVersion' | grep -qx "$version" ||
    fail "$program has no version resource of $version"
done
echo "version resources: $version in both programs"
[ -f "$start_menu/Tabwright.lnk" ] || fail "no Start-menu shortcut in $start_menu"
echo "Start menu: $(basename "$start_menu")/Tabwright.lnk"
entries=$(apps)
echo "Apps: $entries"
[ "$entries" = "Tabwright $version" ] ||
  fail "the \"Apps\" entry is not Tabwright with the installer's version"

step "the installed tabwright-cli.exe"
cli="$installed/tabwright-cli.exe"
"$tw_wine" "$cli" --version | tr -d '\r'
/usr/bin/python3 "$here/e2e.py" --cli "$cli" --shared "$shared" --work "$scratch/e2e" --wine "$tw_wine" |
  tee "$scratch/e2e.txt" | grep -v '^PASS'
grep -q ' 0 failed$' "$scratch/e2e.txt" || fail "the installed tabwright-cli.exe failed copies"
# Without --work: the work database goes to the user's data folder.
mkdir -p "$scratch/paradox"
"$tw_wine" "$cli" copy --to paradox --yes --foxpro "$(wine_path "$installed/Samples")" \
  --paradox "$(wine_path "$scratch/paradox")" orders | tr -d '\r'
[ -f "$scratch/paradox/orders.db" ] || fail "the installed program did not copy a sample to Paradox"
[ -f "$data/dbtemp.mdb" ] || fail "no work database in $data"
[ ! -e "$installed/dbtemp.mdb" ] || fail "the installed program wrote its work database beside itself"
echo "work database: %LOCALAPPDATA%\\Kestrava\\Tabwright\\dbtemp.mdb"

step "the installed tabwright.exe under Xvfb"
"$here/gui.sh" "$installed" "$scratch/shots"
[ -f "$data/Samples/orders.dbf" ] || fail "the samples were not copied to the user's data folder"
echo "samples: %LOCALAPPDATA%\\Kestrava\\Tabwright\\Samples"

step "upgrade: the same files as version 9.9.9"
mkdir -p "$scratch/upgrade"
/usr/bin/python3 "$here/msi.py" --stage "$stage" --version 9.9.9 --icon "$root/src/app/tabwright.ico" \
  --marker "$root/src/app/installed.txt" --out "$scratch/upgrade/tabwright.wxs"
(cd "$scratch/upgrade" && wixl -a x64 -o upgrade.msi tabwright.wxs)
msiexec /i "$scratch/upgrade/upgrade.msi"
entries=$(apps)
echo "Apps: $entries"
[ "$entries" = "Tabwright 9.9.9" ] || fail "the later version did not replace the earlier one"
[ "$(cd "$installed" && find . -type f | sort)" = "$(cat "$scratch/files.txt")" ] || fail "the upgrade changed the files"
"$tw_wine" reg query 'HKCU\Software\Kestrava\Tabwright' /v ParadoxFolder | tr -d '\r' | grep ParadoxFolder ||
  fail "the upgrade lost the settings"

step "msiexec /x /qn"
msiexec /x "$scratch/upgrade/upgrade.msi"
left=$( (cd "$installed" 2>/dev/null && find . -type f) || true)
[ -z "$left" ] || fail "left behind in $installed: $left"
[ ! -e "$installed" ] || fail "the folder $installed is left"
[ ! -e "$start_menu/Tabwright.lnk" ] || fail "the Start-menu shortcut is left"
[ -z "$(apps)" ] || fail "the \"Apps\" entry is left"
echo "removed: the $(wc -l <"$scratch/files.txt") installed files, the folder, the shortcut and the \"Apps\" entry"
echo "kept: the settings (HKCU\\Software\\Kestrava\\Tabwright) and the user's data folder"
