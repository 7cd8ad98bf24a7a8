# Sourced by the end-to-end scripts: a display of their own, the demo portal, failure
# reports and cleaning up. The script sets `work` (a folder for logs) before sourcing.

# Keys and clicks go to whatever is on top, and the other tests' windows stand centred on
# the same screen: each script runs on a display of its own.
own_display() {
  if [ -z "${QUORIN_E2E_OWN_DISPLAY:-}" ]; then
    export QUORIN_E2E_OWN_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
}

log="$work/requests.log"
fail() {
  echo "FAIL: $*"
  echo "--- requests"; cat "$log"
  echo "--- program output"; tail -n 40 "$work/quorin.out" 2>/dev/null
  exit 1
}
cleanup() {
  [ -n "${qpid:-}" ] && kill "$qpid" 2>/dev/null
  [ -n "${spid:-}" ] && kill "$spid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# start_portal PORTAL PORT [OPTION...]: the demo portal logging to $log, once it says it
# listens. Fails when it cannot listen (the port taken by another run), so that nothing
# of another portal is ever taken for this one's.
start_portal() {
  local portal=$1 port=$2
  shift 2
  : >"$log"
  "$portal" --port "$port" --log "$log" "$@" >"$work/portal.out" 2>&1 &
  spid=$!
  until grep -q '^quorin-demo-portal: http://' "$work/portal.out"; do
    kill -0 "$spid" 2>/dev/null || fail "the demo portal did not start: $(cat "$work/portal.out")"
    sleep 0.05
  done
}

# start_program PROGRAM: runs it in the background as $qpid.
start_program() {
  "$1" >"$work/quorin.out" 2>&1 &
  qpid=$!
}

# wait_end: waits for the program to end and sets `code` to its exit status.
wait_end() {
  for _ in $(seq 120); do
    if ! kill -0 "$qpid" 2>/dev/null; then
      wait "$qpid"
      code=$?
      qpid=""
      return 0
    fi
    sleep 0.25
  done
  fail "the program did not end"
}
