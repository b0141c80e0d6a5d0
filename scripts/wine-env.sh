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
  wine_test_drives "$build"
}

# Drives of every kind for the tests of the drive-type rules, each a folder
# under <build>/drives:
#   D: fixed hard disk   (<build>/drives/fixed)
#   R: removable/floppy  (<build>/drives/removable)
#   N: network           (<build>/drives/network)
# Wine takes the kinds from HKLM\Software\Wine\Drives once its server has
# restarted, so the server is stopped here, before any test runs.
wine_test_drives() {
  local build="$1"
  local here; here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
  mkdir -p "$build/drives/fixed" "$build/drives/removable" "$build/drives/network"
  [ -f "$WINEPREFIX/.restore-drives" ] && return 0
  local drive letter kind folder
  for drive in d:hd:fixed r:floppy:removable n:network:network; do
    IFS=: read -r letter kind folder <<<"$drive"
    ln -sfn "$build/drives/$folder" "$WINEPREFIX/dosdevices/$letter:"
    "$here/wine-run.sh" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$kind" /f >/dev/null 2>&1
  done
  wine_server -k 2>/dev/null || true
  wine_server -w 2>/dev/null || true
  touch "$WINEPREFIX/.restore-drives"
}
wine_server() { if command -v wineserver >/dev/null; then wineserver "$@"; else /usr/lib/wine/wineserver "$@"; fi; }
