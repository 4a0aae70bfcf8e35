#!/bin/sh
# Fails when a system header (unistd.h, fcntl.h, dirent.h, windows.h, sys/*.h)
# is included anywhere in src/, bench/ or tests/ but in the files that are
# there to call the operating system: *Posix.cpp and *Windows.cpp. Everything
# else reaches the system through platform/files (doc/design.md, "Files").
# Fails too when src/transfer/ includes a header of the FoxPro or Paradox
# provider: the commands reach them through the provider interface. The
# windows (src/preview/, src/transferwindow/, src/setup/) include no header of
# those nor of the work database: they reach them through src/transfer/.
# Fails too when the program (src/, outside platform/files/ and the file
# choosers of platform/ui/) makes a file operation of Qt's own: deleting,
# renaming, listing, creating a folder, asking whether an entry exists or
# what it is, opening a file. Comment lines are not looked at. The benchmark
# and the tests, which make and measure files of their own, may.
#   scripts/check-layers.sh [SOURCE_DIR]
set -eu
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
dirs=""
for d in src bench tests; do
  [ -d "$d" ] && dirs="$dirs $d"
done
[ -n "$dirs" ] || { echo "check-layers: no src/, bench/ or tests/ in $root" >&2; exit 2; }
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](unistd\.h|fcntl\.h|dirent\.h|windows\.h|sys/[^>"]*)[>"]'
# shellcheck disable=SC2086
found=$(grep -rnIiE "$pattern" $dirs | grep -vE '^[^:]*(Posix|Windows)\.cpp:' || true)
if [ -n "$found" ]; then
  echo "System headers outside *Posix.cpp / *Windows.cpp files:" >&2
  echo "$found" >&2
  exit 1
fi
if [ -d src/transfer ]; then
  provider='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]platform/(foxpro|paradox)/'
  found=$(grep -rnIE "$provider" src/transfer || true)
  if [ -n "$found" ]; then
    echo "Provider headers in src/transfer (use the provider interface, platform/ado):" >&2
    echo "$found" >&2
    exit 1
  fi
fi
windows=""
for d in src/preview src/transferwindow src/setup; do
  [ -d "$d" ] && windows="$windows $d"
done
if [ -n "$windows" ]; then
  provider='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]platform/(foxpro|paradox|workdb)/'
  # shellcheck disable=SC2086
  found=$(grep -rnIE "$provider" $windows | sort || true)
  if [ -n "$found" ]; then
    echo "Provider headers in the windows (reach the providers through src/transfer):" >&2
    echo "$found" >&2
    exit 1
  fi
fi
qt='QFile::(remove|rename|exists|copy|link|resize|setPermissions|moveToTrash)|QFileInfo::exists|QSaveFile|QDirIterator|QTemporaryFile|[.>]entry(Info)?List[[:space:]]*\(|QDir::(remove|rename|mkdir|mkpath|rmdir)|QDir[[:space:]]*\([^)]*\)[.](mkpath|mkdir|remove|rename|rmdir|exists)|QFileInfo[[:space:]]*\([^)]*\)[.](exists|isFile|isDir|isSymLink|size)[[:space:]]*\(|(^|[^[:alnum:]_:])QFile[[:space:]]+[[:alpha:]_][[:alnum:]_]*[[:space:]]*[({]'
if [ -d src ]; then
  found=$(grep -rnIE "$qt" src | grep -vE '^src/platform/(files|ui)/|^[^:]*:[0-9]+:[[:space:]]*//' | sort || true)
  if [ -n "$found" ]; then
    echo "Qt file operations outside platform/files (use platform/files/FileSystem.h):" >&2
    echo "$found" >&2
    exit 1
  fi
fi
echo "check-layers: system headers only in *Posix.cpp / *Windows.cpp files, no provider header in src/transfer"
echo "  or the windows,"
echo "  file operations of the program in platform/files."
