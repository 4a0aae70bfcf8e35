#!/bin/sh
# Builds Qt 6.4.2's qtbase for 64-bit Windows (x86_64-w64-mingw32) as static
# release libraries into PREFIX, from Debian's own qt6-base source package,
# with Debian's mingw-w64 cross compiler and the host tools of
# qt6-base-dev-tools. About 40 minutes on two cores; the result is what
# qt6.4.2-mingw64-static.tar.xz in the shared toolchains holds (see its
# README), so scripts/windows/qt.sh only comes here when that is missing.
#   scripts/windows/build-qt.sh PREFIX [WORKDIR]
# WORKDIR (default: build/windows/qt-build) keeps the source and the build.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 PREFIX [WORKDIR]" >&2; exit 2; }
prefix=$1
work=${2:-$root/build/windows/qt-build}
version=6.4.2
"$root/scripts/deps.sh" windows
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# What Qt's configure needs beyond the project's own packages.
missing=""
for pkg in mingw-w64-tools qt6-base-dev-tools perl; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing="$missing $pkg"
done
if [ -n "$missing" ]; then
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

mkdir -p "$work" "$prefix"
work=$(cd "$work" && pwd)
prefix=$(cd "$prefix" && pwd)
"$here/apt-source.sh" qt6-base "$work/source"
# dpkg-source unpacks it as qt6-base-6.4.2+dfsg (qtbase's own tree, Debian's patches applied).
src=""
for tree in "$work/source"/qt6-base-"$version"*/; do
  [ -x "$tree/configure" ] && [ -d "$tree/src/corelib" ] && src=${tree%/}
done
[ -n "$src" ] || { echo "build-qt.sh: no qt6-base-$version source tree in $work/source" >&2; exit 1; }

rm -rf "$work/build"
mkdir -p "$work/build"
cd "$work/build"
# Accessibility and tablet events are off: Debian's source package leaves out
# their third-party parts (iaccessible2, wintab). Debian also leaves out the
# bundled SQLite, which Tabwright does not take from Qt.
"$src/configure" -prefix "$prefix" -release -static -static-runtime \
  -opensource -confirm-license -nomake tests -nomake examples \
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- -qt-host-path /usr \
  -no-opengl -no-dbus -no-icu -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-harfbuzz -qt-freetype \
  -qt-doubleconversion -no-feature-accessibility -no-feature-tabletevent -no-feature-network \
  -no-feature-printsupport -no-feature-sql \
  -- -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix \
  -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32 \
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
  -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
cmake --build . --parallel 2
cmake --install .

# The toolchain file programs chain-load (qt-cmake ... -DQT_CHAINLOAD_TOOLCHAIN_FILE=...).
cat >"$prefix/mingw-toolchain.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
echo "Qt $version for Windows is in $prefix"
