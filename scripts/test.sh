#!/usr/bin/env bash
# Builds both targets and runs every test under Wine on a virtual display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64
source scripts/wine-env.sh
wine_prefix_setup "$root/build/win64"
# One server and one set of Wine services for the whole run (a cold start
# costs 0.4 s), started away from ctest's output pipes, which they would
# otherwise hold open. They start inside the virtual display: Wine's desktop
# keeps the display it was started with, and without one no window opens.
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  source scripts/wine-env.sh
  wine_server -p >/dev/null 2>&1 </dev/null
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null || true
  status=0
  ctest --preset win64 "$@" || status=$?
  wine_server -k 2>/dev/null || true
  exit $status' bash "$@" || status=$?
exit $status
