#!/usr/bin/env bash
# The wait cursor of a blocking wait, as the X server shows it. Runs the
# test program's busy cursor test while an XFixes watcher records every
# cursor image; passes when, between the test's "busy from" and "busy until",
# the server shows a cursor other than the arrow it showed before.
#   busy_cursor_on_screen.sh WATCHER EMULATOR PROGRAM
set -uo pipefail
watcher=$1 emulator=$2 program=$3
work=$(mktemp -d)
trap 'kill "$watch" "$run" 2>/dev/null; rm -rf "$work"' EXIT
"$watcher" watch >"$work/cursor" &
watch=$!
"$emulator" "$program" --gtest_filter=BusyCursor.* >"$work/test" 2>&1 &
run=$!
# The pointer goes over the window once it stands, as a person's would.
for _ in $(seq 300); do
  grep -q "window ready" "$work/test" && break
  sleep 0.1
done
"$watcher" warp 400 300
wait "$run"
status=$?
sleep 0.2
kill "$watch" 2>/dev/null
cat "$work/test"
echo "-- cursor images seen (time, size, hot spot):"
cat "$work/cursor"
[ $status -eq 0 ] || exit $status
from=$(sed -n 's/^busy from //p' "$work/test")
until=$(sed -n 's/^busy until //p' "$work/test")
[ -n "$from" ] && [ -n "$until" ] || { echo "no busy markers"; exit 1; }
awk -v from="$from" -v until="$until" '
  $1 < from { before = $2 " " $3; next }
  $1 <= until && before != "" && ($2 " " $3) != before { busy = 1 }
  END {
    if (before == "") { print "FAIL: no cursor over the window before the wait"; exit 1 }
    if (!busy) { print "FAIL: the screen kept the cursor " before " while busy"; exit 1 }
    print "the screen showed another cursor while busy (the arrow was " before ")"
  }' "$work/cursor"
