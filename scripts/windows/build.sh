#!/bin/sh
# Builds Tabwright for 64-bit Windows on this Debian machine and packs it:
# build/windows/tabwright-VERSION-windows-x64.zip with tabwright.exe (windowed),
# tabwright-cli.exe (console), dbtemp.mdb, Samples\, HAND-M.CUR, LICENSE and
# README.txt; and the installer build/windows/tabwright-VERSION-x64.msi with
# the same files, made by wixl (scripts/windows/msi.py). Both programs are
# linked statically: they need nothing but Windows itself. Installs what it
# needs first.
#   scripts/windows/build.sh            the programs, the tests and the zip
#   TW_WINDOWS_TESTS=OFF scripts/windows/build.sh   the programs and the zip only
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out="$root/build/windows"
"$root/scripts/deps.sh" windows
mkdir -p "$out"

# Shared by the host and the cross build: compile each file once across runs and checkouts.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}" CCACHE_NOHASHDIR=1

qt=$("$here/qt.sh" "$out")
"$here/sqlite.sh" "$out/sqlite"

# The sample generator runs at build time, so it is built for this machine
# (or taken from a Linux build of the same sources: TW_HOST_SAMPLES_GENERATOR).
generator=${TW_HOST_SAMPLES_GENERATOR:-}
if [ -z "$generator" ] || [ ! -x "$generator" ]; then
  host="$out/host"
  cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
  cmake --build "$host" -j2 --target tabwright-samples
  generator="$host/samples/tabwright-samples"
fi

cross="$out/x64"
"$qt/bin/qt-cmake" -S "$root" -B "$cross" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$qt/mingw-toolchain.cmake" \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache \
  -DTW_SQLITE_SOURCE_DIR="$out/sqlite" -DTW_HOST_SAMPLES_GENERATOR="$generator" \
  -DTW_BUILD_BENCH=OFF -DTW_BUILD_TESTS="${TW_WINDOWS_TESTS:-ON}" >/dev/null
cmake --build "$cross" -j2

# The zip: what `cmake --install` puts in a fresh folder, named with the
# version as the installer is (those of other versions go).
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cross/CMakeCache.txt")
stage="$out/stage"
rm -rf "$stage"
cmake --install "$cross" --prefix "$stage" >/dev/null
zip="$out/tabwright-$version-windows-x64.zip"
rm -f "$out"/tabwright-*windows-x64.zip
(cd "$stage" && zip -q -r -X "$zip" .)
echo "$zip"

# The installer: the zip's files, installed per user (scripts/windows/msi.py).
msi="$out/tabwright-$version-x64.msi"
wxs="$out/msi/tabwright.wxs"
rm -rf "$out/msi" "$out"/tabwright-*-x64.msi
mkdir -p "$out/msi"
/usr/bin/python3 "$here/msi.py" --stage "$stage" --version "$version" --icon "$root/src/app/tabwright.ico" \
  --marker "$root/src/app/installed.txt" --out "$wxs"
(cd "$out/msi" && wixl -a x64 -o "$msi" tabwright.wxs)
echo "$msi"
