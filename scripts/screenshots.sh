#!/usr/bin/env bash
# Pictures of the wizard for the documentation: the demo's unattended run
# (samples/demo.ini) with the host saving its window at every step, on a
# virtual display. Writes docs/screenshots/*.png.
# The pictures must show nothing of the machine that made them: the samples
# are served from drive E: of the prefix (E:\Backups) and the run gets a host
# name of its own (as root, through a UTS namespace).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
demo="$root/build/demo"
out="$root/docs/screenshots"
station=ENG-STATION

if [ "${1:-}" = "--on-display" ]; then
  build="$2"
  [ "$(hostname)" = "$station" ] || { echo "screenshots: no host name of our own" >&2; exit 1; }
  mkdir -p "$demo" "$out"
  wine_prefix_setup "$demo"
  ln -sfn "$root/samples" "$WINEPREFIX/dosdevices/e:"
  # Wine reads the computer name from the host name when its server starts.
  wine_server -k 2>/dev/null || true
  wine_server -w 2>/dev/null || true
  wine_server -p >/dev/null 2>&1 </dev/null || true
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null || true
  bin="$root/build/$build"
  regsvr32="$WINEPREFIX/drive_c/windows/system32/regsvr32.exe"
  [ "$build" = win32 ] && regsvr32="$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe"
  for dll in RestorePlugIn/RestorePlugIn.dll framework/ZelFramework.dll; do
    scripts/wine-run.sh "$regsvr32" /s "$(wine_path "$bin/$dll")" </dev/null >/dev/null 2>&1
  done
  # The demo's answers, with the samples on E:.
  sed 's/^Folder1=.*/Folder1=E:\\Backups/' samples/demo.ini >"$demo/screenshots.ini"
  # shoot FOLDER: one unattended run that saves every step into FOLDER.
  shoot() {
    rm -rf "$demo/drives/fixed/Restored" "$1"
    mkdir -p "$1"
    wine_server -p >/dev/null 2>&1 </dev/null || true
    set +e
    scripts/wine-run.sh "$bin/host/ZelWizardHost.exe" --answers "$(wine_path "$demo/screenshots.ini")" \
      --screenshots "$(wine_path "$1")" </dev/null | tr -d '\r' | grep '^Screenshot'
    local status=${PIPESTATUS[0]}
    set -e
    wine_server -k 2>/dev/null || true
    wine_server -w 2>/dev/null || true
    [ "$status" -eq 0 ] || { echo "screenshots: the wizard ended with $status" >&2; exit 1; }
  }
  desktop='HKCU\Control Panel\Desktop'
  shoot "$demo/shots"
  # Once more with the screen at 144 DPI (150 %), which the host and the
  # pages scale to alike.
  wine_server -p >/dev/null 2>&1 </dev/null || true
  scripts/wine-run.sh reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  wine_server -k 2>/dev/null || true
  wine_server -w 2>/dev/null || true
  shoot "$demo/shots144"
  wine_server -p >/dev/null 2>&1 </dev/null || true
  scripts/wine-run.sh reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true
  wine_server -k 2>/dev/null || true
  wine_server -w 2>/dev/null || true
  # Stable names for the documentation.
  cp "$demo/shots/1-page1.png" "$out/1-restore-selection.png"
  cp "$demo/shots/2-page2.png" "$out/2-system-directories.png"
  cp "$demo/shots/3-page3.png" "$out/3-node-configuration.png"
  cp "$demo/shots/4-summary.png" "$out/4-summary.png"
  cp "$demo/shots/5-progress.png" "$out/5-progress.png"
  cp "$demo/shots144/1-page1.png" "$out/6-restore-selection-144dpi.png"
  ls -l "$out"
  exit 0
fi

if [ "${1:-}" = "--own-host-name" ]; then
  hostname "$station"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display "$2"
fi

[ "$(id -u)" -eq 0 ] || { echo "screenshots: run as root (the run gets a host name of its own)" >&2; exit 2; }
scripts/bootstrap.sh
build=win32
wine_runs_32bit || { echo "screenshots: $(wine_32bit_reason); taking them with the x64 build"; build=win64; }
cmake --preset "$build" >/dev/null
cmake --build --preset "$build" -j2 --target RestorePlugIn ZelFramework ZelWizardHost
WINEPREFIX="$demo/wineprefix" wine_server -k 2>/dev/null || true
exec unshare --uts "$0" --own-host-name "$build"
