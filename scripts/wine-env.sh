# Sourced: a private Wine prefix under the given build folder, ready for
# windows under a bare virtual display.
wine_prefix_setup() {
  local build="$1"
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX="$build/wineprefix"
  local here; here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
  # A prefix made before 32-bit Wine was there has no syswow64 and cannot
  # start 32-bit programs ("could not load kernel32.dll"): make it anew.
  if [ -f "$WINEPREFIX/.restore-ready" ] && [ -x /usr/lib/wine/wine ] &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    rm -f "$WINEPREFIX/.restore-ready"
  fi
  if [ ! -f "$WINEPREFIX/.restore-ready" ]; then
    wine_server -k 2>/dev/null || true
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

# A Unix path as Windows sees it, through the 64-bit loader (the winepath
# wrapper would start 32-bit Wine).
wine_path() {
  local here; here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
  "$here/wine-run.sh" winepath -w "$1" 2>/dev/null | tr -d '\r'
}

# Whether this machine runs 32-bit programs itself. A kernel built without
# IA32 emulation, or booted with ia32_emulation=off, refuses every 32-bit
# program ("Exec format error"), 32-bit Wine included; a user-mode emulator
# registered for them does not count: Wine's signal handling breaks there.
wine_runs_32bit() {
  [ -x /usr/lib/wine/wine ] || return 1
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 && return 1
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Why wine_runs_32bit said no, in one line.
wine_32bit_reason() {
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine (wine32:i386) is not installed"
  elif [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
    echo "32-bit programs run here only through a user-mode emulator"
  else
    echo "this kernel does not run 32-bit programs (IA32 emulation is off)"
  fi
}
