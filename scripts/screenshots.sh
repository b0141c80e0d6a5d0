#!/usr/bin/env bash
# Pictures of the wizard for the documentation: the demo's unattended run
# (samples/demo.ini) with the host saving its window at every step, on a
# virtual display. Writes docs/screenshots/*.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
demo="$root/build/demo"
out="$root/docs/screenshots"

if [ "${1:-}" = "--on-display" ]; then
  mkdir -p "$demo" "$out"
  wine_prefix_setup "$demo"
  wine_server -p >/dev/null 2>&1 </dev/null
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null || true
  bin="$root/build/win64"
  for dll in RestorePlugIn/RestorePlugIn.dll framework/ZelFramework.dll; do
    scripts/wine-run.sh regsvr32 /s "$(winepath -w "$bin/$dll" 2>/dev/null)" </dev/null >/dev/null 2>&1
  done
  rm -rf "$demo/drives/fixed/Restored" "$demo/shots"
  mkdir -p "$demo/shots"
  set +e
  scripts/wine-run.sh "$bin/host/ZelWizardHost.exe" --answers "$(winepath -w "$root/samples/demo.ini" 2>/dev/null)" \
    --screenshots "$(winepath -w "$demo/shots" 2>/dev/null)" </dev/null | tr -d '\r' | grep '^Screenshot'
  status=${PIPESTATUS[0]}
  set -e
  wine_server -k 2>/dev/null || true
  [ "$status" -eq 0 ] || { echo "screenshots: the wizard ended with $status" >&2; exit 1; }
  # Stable names for the documentation.
  cp "$demo/shots/1-page1.png" "$out/1-restore-selection.png"
  cp "$demo/shots/2-page2.png" "$out/2-system-directories.png"
  cp "$demo/shots/3-page3.png" "$out/3-node-configuration.png"
  cp "$demo/shots/4-summary.png" "$out/4-summary.png"
  cp "$demo/shots/5-progress.png" "$out/5-progress.png"
  ls -l "$out"
  exit 0
fi

scripts/bootstrap.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target RestorePlugIn ZelFramework ZelWizardHost
WINEPREFIX="$demo/wineprefix" wine_server -k 2>/dev/null || true
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display
