#!/bin/sh
# Checks that Windows programs need nothing but Windows: every DLL they
# import is one of Windows' own (no mingw, C++ runtime, Qt or SQLite DLL
# beside them), and each runs in the subsystem it is meant for. "core" is a
# console program without Qt's GUI: none of the DLLs that only drawing
# windows needs (gdi32, the Direct3D and DirectWrite ones, imm32, uxtheme).
#   scripts/windows/check-imports.sh gui|console|core PROGRAM.exe ...
set -eu
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
subsystem=$1
shift
case "$subsystem" in
  gui) wanted="(Windows GUI)" ;;
  console|core) wanted="(Windows CUI)" ;;
  *) echo "usage: $0 gui|console|core PROGRAM.exe ..." >&2; exit 2 ;;
esac
# The system DLLs a static Qt program may import.
windows_dlls=" advapi32.dll authz.dll comctl32.dll comdlg32.dll crypt32.dll d3d9.dll d3d11.dll d3d12.dll dwmapi.dll
  dwrite.dll dxgi.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll netapi32.dll ntdll.dll ole32.dll oleaut32.dll
  setupapi.dll shcore.dll shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll
  ws2_32.dll wtsapi32.dll"
# shellcheck disable=SC2086
windows_dlls=" $(echo $windows_dlls) "
gui_dlls="gdi32.dll d3d9.dll d3d11.dll d3d12.dll dwrite.dll dxgi.dll dwmapi.dll imm32.dll uxtheme.dll"
status=0
for program in "$@"; do
  dump=$("$objdump" -p "$program")
  if ! printf '%s\n' "$dump" | grep -q "^Subsystem.*$wanted"; then
    echo "$program: not a $subsystem program: $(printf '%s\n' "$dump" | grep '^Subsystem')" >&2
    status=1
  fi
  count=0
  for dll in $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    count=$((count + 1))
    case "$dll" in
      api-ms-win-*) continue ;; # Windows' API sets
    esac
    case "$windows_dlls" in
      *" $dll "*) ;;
      *) echo "$program imports $dll, which Windows does not have" >&2; status=1 ;;
    esac
    if [ "$subsystem" = core ]; then
      case " $gui_dlls " in
        *" $dll "*) echo "$program imports $dll, which only windows need (Qt's GUI is linked in)" >&2; status=1 ;;
      esac
    fi
  done
  [ "$count" -gt 0 ] || { echo "$program: no import table found" >&2; status=1; }
done
[ $status -eq 0 ] && echo "check-imports: $* import only Windows' own DLLs"
exit $status
