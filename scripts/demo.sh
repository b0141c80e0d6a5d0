#!/usr/bin/env bash
# The main job: builds the module, the framework's reference components and
# the reference wizard host, registers the two DLLs in a private Wine prefix
# (build/demo/wineprefix) and runs the wizard unattended on the bundled
# sample backups (samples/demo.ini). Ends with the restored system on disk.
# It runs what ships, the i686 build; --x64 runs the x64 build instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
demo="$root/build/demo"

if [ "${1:-}" = "--on-display" ]; then
  build="$2"
  mkdir -p "$demo"
  wine_prefix_setup "$demo"
  # One server and the Wine services for the run, started away from our
  # output pipe, which they would otherwise hold open.
  wine_server -p >/dev/null 2>&1 </dev/null
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null || true
  bin="$root/build/$build"
  # A DLL is registered by the regsvr32 of its own kind, into that kind's
  # registry view.
  regsvr32="$WINEPREFIX/drive_c/windows/system32/regsvr32.exe"
  [ "$build" = win32 ] && regsvr32="$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe"
  for dll in RestorePlugIn/RestorePlugIn.dll framework/ZelFramework.dll; do
    scripts/wine-run.sh "$regsvr32" /s "$(wine_path "$bin/$dll")" </dev/null >/dev/null 2>&1 ||
      { echo "demo: registering $dll failed" >&2; exit 1; }
    echo "registered $dll"
  done
  # A fresh restore every time: the wizard refuses directories that exist.
  # Restored may be a mount point (a small disk that runs full), so it is
  # emptied rather than removed.
  restored="$demo/drives/fixed/Restored"
  if [ -d "$restored" ]; then
    find "$restored" -mindepth 1 -delete
    rmdir "$restored" 2>/dev/null || true
  fi
  set +e
  scripts/wine-run.sh "$bin/host/ZelWizardHost.exe" --answers "$(wine_path "$root/samples/demo.ini")" \
    </dev/null | tr -d '\r'
  status=${PIPESTATUS[0]}
  set -e
  wine_server -k 2>/dev/null || true
  echo
  if [ -d "$demo/drives/fixed/Restored" ]; then
    if [ "$status" -eq 0 ]; then
      echo "The restored system on disk (D: is $demo/drives/fixed):"
    else
      echo "The restore did not finish (exit code $status); on disk (D: is $demo/drives/fixed):"
    fi
    (cd "$demo/drives/fixed" && find Restored | sort | sed 's/^/  /')
  fi
  exit $status
fi

build=win32
case "${1:-}" in
  --x64) build=win64 ;;
  "") ;;
  *) echo "usage: scripts/demo.sh [--x64]" >&2; exit 2 ;;
esac
scripts/bootstrap.sh
if [ "$build" = win32 ] && ! wine_runs_32bit; then
  echo "demo: the shipped i686 build cannot run here: $(wine_32bit_reason)." >&2
  echo "demo: running the x64 build instead (scripts/demo.sh --x64)." >&2
  build=win64
fi
case "$build" in
  win32) echo "demo: running the shipped i686 build (build/win32)" ;;
  win64) echo "demo: running the x64 build (build/win64)" ;;
esac
cmake --preset "$build" >/dev/null
cmake --build --preset "$build" -j2 --target RestorePlugIn ZelFramework ZelWizardHost
WINEPREFIX="$demo/wineprefix" wine_server -k 2>/dev/null || true
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display "$build"
