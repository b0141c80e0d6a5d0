#!/usr/bin/env bash
# Builds the module and shows the backup catalogue of the bundled sample
# backups as the restore selection page lists them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64
source scripts/wine-env.sh
wine_prefix_setup "$root/build/win64"

samples="$(winepath -w "$root/samples/backups" 2>/dev/null || true)"
[ -n "$samples" ] || samples="Z:$(echo "$root/samples/backups" | tr / '\\')"
status=0
output="$(scripts/wine-run.sh build/win64/tools/catalogue_check.exe "$samples")" || status=$?
printf '%s\n' "$output"
# The samples hold one broken file on purpose; anything else dropped, or a
# tool that did not run, fails the demo.
if [ "$status" -eq 0 ]; then exit 0; fi
unexpected="$(printf '%s\n' "$output" | grep '^dropped ' | grep -v '\\Broken\\BackupInfo.xml: ' || true)"
if [ "$status" -eq 1 ] && [ -z "$unexpected" ]; then
  echo "(the sample Broken\\BackupInfo.xml is left out on purpose)"
  exit 0
fi
echo "demo: catalogue_check ended with $status" >&2
exit 1
