#!/bin/sh
# Installs what is missing, then builds and runs every test twice: in a plain
# build and under AddressSanitizer + UndefinedBehaviorSanitizer; then runs each
# fuzz target for TW_FUZZ_SECONDS seconds (60; 0 skips them).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
for variant in plain asan; do
  dir="$root/build/$variant"
  sanitize=OFF
  [ "$variant" = asan ] && sanitize=ON
  echo "== $variant build"
  # The shared corpus must be there (TW_SHARED_DIR or ../shared): CI never skips it.
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=$sanitize -DTW_REQUIRE_SHARED=ON >/dev/null
  cmake --build "$dir" -j2
  # The kill test runs once, in the plain build: under the sanitizers it only takes longer.
  exclude=""
  [ "$variant" = asan ] && exclude="-LE slow"
  # shellcheck disable=SC2086
  ctest --test-dir "$dir" --output-on-failure -j2 $exclude
done
if [ "${TW_FUZZ_SECONDS:-60}" -gt 0 ]; then
  echo "== fuzz"
  "$root/scripts/fuzz.sh" "${TW_FUZZ_SECONDS:-60}"
fi
