#!/bin/sh
# Puts the static Qt for Windows in DEST/qt6.4.2-mingw64-static and prints
# that folder: unpacked from the shared toolchains
# ($TW_SHARED_DIR/toolchains, else ../shared/toolchains beside the checkout)
# when the tarball is there, built from Debian's source otherwise
# (build-qt.sh, about 40 minutes). Does nothing when it is already there.
#   scripts/windows/qt.sh DEST
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dest=$1
name=qt6.4.2-mingw64-static
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
qt="$dest/$name"
if [ ! -f "$qt/.complete" ]; then
  rm -rf "$qt"
  tarball=""
  for shared in "${TW_SHARED_DIR:-}" "$root/../shared"; do
    if [ -n "$shared" ] && [ -f "$shared/toolchains/$name.tar.xz" ]; then
      tarball="$shared/toolchains/$name.tar.xz"
      break
    fi
  done
  if [ -n "$tarball" ]; then
    tar -xJf "$tarball" -C "$dest"
  else
    echo "No $name.tar.xz in the shared toolchains: building Qt from Debian's source (about 40 minutes)." >&2
    "$here/build-qt.sh" "$qt" "$dest/qt-build" >&2
  fi
  [ -x "$qt/bin/qt-cmake" ] && [ -f "$qt/mingw-toolchain.cmake" ] || { echo "qt.sh: $qt is not a usable Qt" >&2; exit 1; }
  touch "$qt/.complete"
fi
echo "$qt"
