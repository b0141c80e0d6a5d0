# Sourced: a private Wine prefix under the given build folder, ready for
# windows under a bare virtual display.
wine_prefix_setup() {
  local build="$1"
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX="$build/wineprefix"
  local here; here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
  if [ ! -f "$WINEPREFIX/.restore-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$here/wine-run.sh" wineboot -i >/dev/null 2>&1 || true
    # Without a window manager every hidden or destroyed top-level window
    # would wait two seconds for one.
    "$here/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w 2>/dev/null || /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.restore-ready"
  fi
}
wine_server() { if command -v wineserver >/dev/null; then wineserver "$@"; else /usr/lib/wine/wineserver "$@"; fi; }
