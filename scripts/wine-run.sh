#!/bin/sh
# Runs a Windows program under Wine with the loader of its own kind: a 32-bit
# program needs /usr/lib/wine/wine, everything else /usr/lib/wine/wine64. The
# /usr/bin/wine wrapper is not used: with wine32 installed it picks the 32-bit
# loader for every program. scripts/test.sh and scripts/demo.sh prepare the
# prefix and the virtual display.
: "${WINEARCH:=win64}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEARCH WINEDEBUG WINEDLLOVERRIDES
loader=/usr/lib/wine/wine64
# PE machine field: e_lfanew at 0x3c, then "PE\0\0" and the machine word.
if [ -f "$1" ] && [ -x /usr/lib/wine/wine ]; then
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  if [ -n "$pe" ] && [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" = "014c" ]; then
    loader=/usr/lib/wine/wine
  fi
fi
exec "$loader" "$@"
