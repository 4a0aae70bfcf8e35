#!/bin/sh
# Installs what is missing, builds a release build and starts Tabwright.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" build
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j2 >/dev/null
exec "$root/build/release/bin/tabwright" "$@"
