#!/bin/sh
# Installs the Debian packages Tabwright needs that are missing; silent when all are present.
#   scripts/deps.sh build   packages to build and run the program
#   scripts/deps.sh test    those plus the independent readers the tests compare with
#   scripts/deps.sh windows those to build the Windows programs and installer and test them under Wine
#   scripts/deps.sh package those to build the Debian package and check it
set -eu
build="cmake ninja-build g++ pkg-config qt6-base-dev libqt6svg6 libsqlite3-dev fonts-liberation"
test_only="python3 python3-dbfread pgdbf pxlib-dev gcc clang libclang-rt-14-dev fonts-dejavu-core clang-format"
# mingw-w64 and its binutils (objdump), Wine with its own fonts, Xvfb and what
# drives and photographs windows there, tclsh for SQLite's amalgamation,
# dpkg-source for Debian's source packages, zip for the package, wixl and
# msitools (msiinfo) for the installer.
windows_only="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 fonts-wine xvfb x11-utils xdotool
  imagemagick tcl8.6 dpkg-dev zip unzip ccache wixl msitools"
# cpack's dependencies from the binaries (dpkg-shlibdeps, file), the checks
# of the package (lintian, appstreamcli).
package_only="dpkg-dev file lintian appstream"
case "${1:-build}" in
  build) wanted=$build ;;
  test) wanted="$build $test_only" ;;
  windows) wanted="$build $test_only $windows_only" ;;
  package) wanted="$build $test_only $package_only" ;;
  *) echo "usage: $0 [build|test|windows|package]" >&2; exit 2 ;;
esac
missing=""
for pkg in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  case "$status" in *"install ok installed"*) ;; *) missing="$missing $pkg" ;; esac
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
