#!/usr/bin/env bash
# Runs the program against the demo portal on a display of its own: the main window
# appears showing the start page, the manifest is requested; closing the window
# requests the manifest once more and the program exits 0.
set -uo pipefail
quorin=$1 portal=$2 closer=$3 port=$4 out=$5
work=$out
. "$(dirname "$0")/e2e-lib.sh"
own_display "$0" "$@"
mkdir -p "$out"
start_portal "$portal" "$port" --version 3.1
start_program "$quorin"

# The window, by its exact title.
window=""
for _ in $(seq 120); do
  window=$(xdotool search --all --pid "$qpid" --name '^Quorin 高清云播放器$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$qpid" 2>/dev/null || fail "the program ended before its window appeared"
  sleep 0.5
done
[ -n "$window" ] || fail "no window titled 'Quorin 高清云播放器'"

grep -q '^GET /yun/move$' "$log" || fail "the start page was not requested"
[ "$(grep -c '^GET /yun/up1.txt$' "$log")" -ge 1 ] || fail "the manifest was not requested"

# Let the page paint, then keep a picture of the window.
sleep 3
import -window "$window" "$out/main-window.png" 2>/dev/null || true
manifests=$(grep -c '^GET /yun/up1.txt$' "$log")

"$closer" "$window" || fail "could not ask the window to close"
wait_end
[ "$code" -eq 0 ] || fail "the program exited with $code"
after=$(grep -c '^GET /yun/up1.txt$' "$log")
[ "$after" -eq $((manifests + 1)) ] || fail "closing requested the manifest $((after - manifests)) times, not once"
echo "PASS: window $window, manifest requested $manifests time(s) at load and once at close"
