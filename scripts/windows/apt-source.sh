#!/bin/sh
# Fetches and unpacks a Debian source package into a folder, through a source
# list and apt state of our own: the machine's apt configuration is left as it
# is. The source list is the machine's own with "deb" turned into "deb-src".
#   scripts/windows/apt-source.sh PACKAGE DEST
# Leaves the unpacked tree in DEST (DEST/PACKAGE-VERSION/...); does nothing
# when DEST already holds it.
set -eu
package=$1
dest=$2
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
stamp="$dest/.fetched-$package"
[ -f "$stamp" ] && exit 0

apt="$dest/.apt"
rm -rf "$apt"
mkdir -p "$apt/sources.list.d" "$apt/state/lists/partial" "$apt/cache/archives/partial"
: >"$apt/sources.list"
# One-line sources: every "deb" line also as "deb-src".
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] || continue
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$apt/sources.list"
done
# deb822 sources: the same stanzas with Types: deb-src.
for list in /etc/apt/sources.list.d/*.sources; do
  [ -f "$list" ] || continue
  sed 's/^Types:.*/Types: deb-src/' "$list" >"$apt/sources.list.d/$(basename "$list")"
done

set -- -o Dir::Etc::sourcelist="$apt/sources.list" -o Dir::Etc::sourceparts="$apt/sources.list.d" \
  -o Dir::State="$apt/state" -o Dir::Cache="$apt/cache" -qq
# As root, apt hands downloads to a user of its own, who may not write here.
[ "$(id -u)" -eq 0 ] && set -- "$@" -o APT::Sandbox::User=root
apt-get "$@" update >/dev/null
(cd "$dest" && apt-get "$@" source "$package" >/dev/null)
touch "$stamp"
