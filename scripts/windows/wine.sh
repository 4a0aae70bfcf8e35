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
  fi
}

wineserver_wait() {
  if command -v wineserver >/dev/null 2>&1; then
    wineserver -w 2>/dev/null || true
  elif [ -x /usr/lib/wine/wineserver64 ]; then
    /usr/lib/wine/wineserver64 -w 2>/dev/null || true
  fi
}
