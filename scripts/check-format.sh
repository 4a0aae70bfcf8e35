#!/bin/sh
# Fails when a C++ file of src/, bench/, samples/ or tests/ differs from what
# clang-format makes of it with the repository's .clang-format.
#   scripts/check-format.sh [SOURCE_DIR]
set -eu
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
# The files git tracks when the folder is a checkout of its own, else every one.
if [ "$(git rev-parse --show-toplevel 2>/dev/null || true)" = "$(pwd -P)" ]; then
  files=$(git ls-files -- 'src/*.cpp' 'src/*.h' 'bench/*.cpp' 'bench/*.h' 'samples/*.cpp' 'samples/*.h' \
                           'tests/*.cpp' 'tests/*.h' 'tests/*.c')
else
  files=$(find src bench samples tests -name '*.cpp' -o -name '*.h' -o -name '*.c' 2>/dev/null || true)
fi
[ -n "$files" ] || { echo "check-format: no C++ files in $root" >&2; exit 2; }
bad=""
for f in $files; do
  clang-format --style=file --dry-run -Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
  echo "Files that differ from .clang-format (run clang-format -i on them):" >&2
  for f in $bad; do echo "  $f" >&2; done
  exit 1
fi
echo "check-format: every file is formatted."
