#!/bin/sh
# Runs a Windows program of the build under Wine 64. scripts/test.sh and
# scripts/demo.sh prepare the prefix and the virtual display.
: "${WINEARCH:=win64}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEARCH WINEDEBUG WINEDLLOVERRIDES
if [ -x /usr/lib/wine/wine64 ]; then exec /usr/lib/wine/wine64 "$@"; fi
exec wine "$@"
