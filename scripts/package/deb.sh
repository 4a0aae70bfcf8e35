#!/bin/sh
# Builds the Debian package build/deb/tabwright_VERSION_amd64.deb: a release
# build of the programs packed by cpack (cmake/Packages.cmake), its
# dependencies computed from the binaries. Installs what it needs first.
# Prints the package's path.
#   scripts/package/deb.sh
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/build/deb"
"$root/scripts/deps.sh" package
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j2 >&2
rm -f "$out"/tabwright_*.deb
(cd "$out" && cpack -G DEB >&2)
ls "$out"/tabwright_*_amd64.deb
