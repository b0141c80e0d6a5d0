# Sourced after scripts/wine-env.sh: throwaway Wine prefixes for packaging
# and its tests, each a copy of one base prefix made once
# (build/package/wineprefix-base): making a prefix takes half a minute,
# copying it a second.

# package_prefix DIR: a fresh prefix at DIR; exports WINEPREFIX and friends.
package_prefix() {
  local dir="$1" here base
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  base="$(dirname "$here")/build/package/wineprefix-base"
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A base made before 32-bit Wine could run cannot start 32-bit programs.
  if [ -f "$base/.ready" ] && wine_runs_32bit &&
     [ ! -f "$base/drive_c/windows/syswow64/kernel32.dll" ]; then
    rm -f "$base/.ready"
  fi
  if [ ! -f "$base/.ready" ]; then
    WINEPREFIX="$base" wine_server -k 2>/dev/null || true
    rm -rf "$base"
    mkdir -p "$(dirname "$base")"
    WINEPREFIX="$base" "$here/wine-run.sh" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$base" wine_server -w 2>/dev/null || true
    [ -f "$base/system.reg" ] || { echo "package: could not make a Wine prefix at $base" >&2; return 1; }
    touch "$base/.ready"
  fi
  package_prefix_drop "$dir"
  cp -a "$base" "$dir"
  export WINEPREFIX="$dir"
}

# package_prefix_drop DIR: stops the prefix's server and removes it.
package_prefix_drop() {
  [ -d "$1" ] || return 0
  WINEPREFIX="$1" wine_server -k 2>/dev/null || true
  WINEPREFIX="$1" wine_server -w 2>/dev/null || true
  rm -rf "$1"
}

# The Wine loader for a module of the given machine (x86 or x64).
package_loader() {
  if [ "$1" = x86 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}
