# Sourced by the Windows scripts: runs Windows programs under Wine in a prefix
# of their own (WINEPREFIX; made on first use, which takes a while), quietly.
#   wine_path PATH      the Windows spelling of a Linux path (Z:\...)
#   wine_prefix_ready   makes the prefix when it is not there yet
# shellcheck shell=sh
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" # no Mono or Gecko prompts
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/tabwright-wine-$(id -u)}"
tw_wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)

# Wine's Z: drive is the Linux root.
wine_path() {
  case "$1" in
    /*) printf 'Z:%s' "$1" | tr / '\\' ;;
    *) printf '%s' "$1" ;;
  esac
}

wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$tw_wine" wineboot --init >/dev/null 2>&1 || true
    wineserver_wait
    # The glyphs of the caption buttons (fonts-wine has them; the new prefix does not).
    [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  return 0
}

tw_wineserver=$(command -v wineserver || command -v wineserver64 || echo /usr/lib/wine/wineserver64)

# Waits until every program of the prefix has ended.
wineserver_wait() {
  "$tw_wineserver" -w 2>/dev/null || true
}

# Ends every program of the prefix (and its wineserver).
wineserver_kill() {
  "$tw_wineserver" -k 2>/dev/null || true
}
