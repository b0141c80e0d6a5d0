#!/usr/bin/env bash
# The main job: builds the module, the framework's reference components and
# the reference wizard host, registers the two DLLs in a private Wine prefix
# (build/demo/wineprefix) and runs the wizard unattended on the bundled
# sample backups (samples/demo.ini). Ends with the restored system on disk.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
demo="$root/build/demo"

if [ "${1:-}" = "--on-display" ]; then
  mkdir -p "$demo"
  wine_prefix_setup "$demo"
  # One server and the Wine services for the run, started away from our
  # output pipe, which they would otherwise hold open.
  wine_server -p >/dev/null 2>&1 </dev/null
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 </dev/null || true
  bin="$root/build/win64"
  for dll in RestorePlugIn/RestorePlugIn.dll framework/ZelFramework.dll; do
    scripts/wine-run.sh regsvr32 /s "$(winepath -w "$bin/$dll" 2>/dev/null)" </dev/null >/dev/null 2>&1 ||
      { echo "demo: registering $dll failed" >&2; exit 1; }
    echo "registered $dll"
  done
  # A fresh restore every time: the wizard refuses directories that exist.
  rm -rf "$demo/drives/fixed/Restored"
  set +e
  scripts/wine-run.sh "$bin/host/ZelWizardHost.exe" --answers "$(winepath -w "$root/samples/demo.ini" 2>/dev/null)" \
    </dev/null | tr -d '\r'
  status=${PIPESTATUS[0]}
  set -e
  wine_server -k 2>/dev/null || true
  echo
  if [ -d "$demo/drives/fixed/Restored" ]; then
    echo "The restored system on disk (D: is $demo/drives/fixed):"
    (cd "$demo/drives/fixed" && find Restored | sort | sed 's/^/  /')
  fi
  exit $status
fi

scripts/bootstrap.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target RestorePlugIn ZelFramework ZelWizardHost
WINEPREFIX="$demo/wineprefix" wine_server -k 2>/dev/null || true
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display
