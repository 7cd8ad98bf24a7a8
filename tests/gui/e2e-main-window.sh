#!/usr/bin/env bash
# Runs the program against the demo portal on the display in $DISPLAY: the main window
# appears showing the start page, the manifest is requested; closing the window
# requests the manifest once more and the program exits 0.
set -uo pipefail
quorin=$1 portal=$2 closer=$3 port=$4 out=$5
mkdir -p "$out"
log="$out/requests.log"
: >"$log"
fail() {
  echo "FAIL: $*"
  echo "--- requests"; cat "$log"
  echo "--- program output"; tail -n 40 "$out/quorin.out" 2>/dev/null
  exit 1
}
cleanup() {
  [ -n "${qpid:-}" ] && kill "$qpid" 2>/dev/null
  [ -n "${spid:-}" ] && kill "$spid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

"$portal" --port "$port" --version 3.1 --log "$log" >"$out/portal.out" 2>&1 &
spid=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port/yun/move" && break
  sleep 0.1
done
: >"$log"

"$quorin" >"$out/quorin.out" 2>&1 &
qpid=$!

# The window, by its exact title.
window=""
for _ in $(seq 120); do
  window=$(xdotool search --name '^Quorin 高清云播放器$' 2>/dev/null | head -n 1)
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
code=""
for _ in $(seq 60); do
  if ! kill -0 "$qpid" 2>/dev/null; then
    wait "$qpid"
    code=$?
    qpid=""
    break
  fi
  sleep 0.5
done
[ -n "$code" ] || fail "the program did not end after its window was closed"
[ "$code" -eq 0 ] || fail "the program exited with $code"
after=$(grep -c '^GET /yun/up1.txt$' "$log")
[ "$after" -eq $((manifests + 1)) ] || fail "closing requested the manifest $((after - manifests)) times, not once"
echo "PASS: window $window, manifest requested $manifests time(s) at load and once at close"
