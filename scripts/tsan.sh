#!/bin/sh
# Builds the tests of the work that runs on threads of its own (the queue,
# reading ahead, the prepared export, the aside runs of the work database) and
# the benchmark under ThreadSanitizer (build/tsan), runs those tests, then
# both transfers of ROWS rows (100000) through the benchmark's child runs.
#   scripts/tsan.sh [ROWS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
rows=${1:-100000}
dir="$root/build/tsan"
tests="tst_batchqueue tst_prefetch tst_exportstream tst_workdb"
export QT_QPA_PLATFORM=offscreen
# die_after_fork=0: tst_workdb reads its Paradox tables back with pxjson, a
# child that runs nothing of ours before it execs.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66:die_after_fork=0:suppressions=$root/tests/tsan.supp"
# Optimised a little: a copy of 100,000 rows under the sanitizer then takes a minute, not ten.
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="-fsanitize=thread" -DCMAKE_CXX_FLAGS="-fsanitize=thread" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
# shellcheck disable=SC2086
cmake --build "$dir" -j2 --target $tests tabwright-bench
ctest --test-dir "$dir" --output-on-failure -j2 -R "^($(echo $tests | tr ' ' '|'))\$"
work=$(mktemp -d "$dir/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$dir/bin/tabwright-bench" --generate-only --dir "$work" --rows "$rows" >/dev/null
for direction in to-paradox to-foxpro; do
  echo "== $direction, $rows rows"
  status=0
  "$dir/bin/tabwright-bench" --direction "$direction" --dir "$work" --rows "$rows" >"$work/out" || status=$?
  grep -E '^(rows|seconds|error)=' "$work/out" || true
  [ "$status" -eq 0 ] || { echo "tsan.sh: $direction failed ($status)" >&2; exit 1; }
done
