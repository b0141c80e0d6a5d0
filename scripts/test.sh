#!/usr/bin/env bash
# Builds both targets and runs every test program under Wine on a virtual
# display: the x64 build, then the shipped i686 build, each in a Wine prefix
# of its own (build/<preset>/wineprefix), then the installer package's tests.
# Arguments go to each ctest run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
# The Wine server and services must start on the virtual display, or their
# desktop cannot create top-level windows: the run re-enters itself under it.
if [ "${1:-}" = "--on-display" ]; then
  shift
  status=0
  for build in win64 win32; do
    if [ "$build" = win32 ] && ! wine_runs_32bit; then
      echo "== i686 tests NOT RUN: $(wine_32bit_reason); the i686 build was only compiled"
      continue
    fi
    start=$SECONDS
    wine_prefix_setup "$root/build/$build"
    # One server and one set of Wine services per run (a cold start costs
    # 0.4 s), started away from ctest's output pipes, which they would
    # otherwise hold open.
    wine_server -p >/dev/null 2>&1 </dev/null
    scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null || true
    echo "== $build: prefix ready in $((SECONDS - start)) s"
    start=$SECONDS
    ctest --preset "$build" "$@" || status=1
    echo "== $build: tests took $((SECONDS - start)) s"
    wine_server -k 2>/dev/null || true
    wine_server -w 2>/dev/null || true
  done
  # The installer package: built, installed, upgraded and removed in
  # prefixes of its own.
  start=$SECONDS
  tests/package/test_package.sh || status=1
  echo "== package: tests took $((SECONDS - start)) s"
  exit $status
fi
scripts/bootstrap.sh
for build in win64 win32; do
  start=$SECONDS
  cmake --preset "$build" >/dev/null
  cmake --build --preset "$build"
  echo "== $build: build took $((SECONDS - start)) s"
done
# The layer rule: no include climbs out of its folder or reaches a library
# its target does not link.
python3 scripts/check_includes.py build/win64
# A server left from an earlier run may sit on a display that is gone.
for build in win64 win32; do
  WINEPREFIX="$root/build/$build/wineprefix" wine_server -k 2>/dev/null || true
done
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display "$@"
