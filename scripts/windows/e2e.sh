#!/bin/sh
# tabwright-cli.exe under Wine copies the shared corpus both ways with Windows
# paths; the Linux readers check every copy (scripts/windows/e2e.py).
#   scripts/windows/e2e.sh [BUILD_DIR]     (default: build/windows/x64)
# The shared corpus: TW_SHARED_DIR, else ../shared beside the checkout.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$here/wine.sh"
build=${1:-$root/build/windows/x64}
shared=${TW_SHARED_DIR:-$root/../shared}
[ -d "$shared/corpus" ] || { echo "e2e: no shared corpus: set TW_SHARED_DIR (or put shared/ beside the checkout)" >&2; exit 1; }
wine_prefix_ready
work=$(mktemp -d "${TMPDIR:-/tmp}/tw-e2e-XXXXXX")
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/e2e.py" --cli "$build/bin/tabwright-cli.exe" --shared "$shared" --work "$work/run" --wine "$tw_wine"
