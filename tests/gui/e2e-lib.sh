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

# start_program PROGRAM: runs it in the background as $qpid, with a home and XDG folders
# of its own under $work: nothing goes into the real user's, each script starts with
# them empty, and a second start in the same script finds what the first one left.
start_program() {
  if [ -z "${program_home:-}" ]; then
    program_home="$work/home"
    rm -rf "$program_home"
    mkdir -p "$program_home"
  fi
  HOME="$program_home" XDG_DATA_HOME="$program_home/.local/share" \
    XDG_CACHE_HOME="$program_home/.cache" XDG_CONFIG_HOME="$program_home/.config" \
    "$1" >"$work/quorin.out" 2>&1 &
  qpid=$!
}

# wait_end: waits for the program to end and sets `code` to its exit status.
wait_end() {
  # Two minutes: a sanitized build checks the whole heap for leaks as it ends, slowly on a
  # loaded machine.
  for _ in $(seq 480); do
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

# download_folder: makes the home start_program gives the program, empty, with a download
# folder named in its user-dirs.dirs as a Chinese desktop names it; sets `downloads` to it.
download_folder() {
  program_home="$work/home"
  rm -rf "$program_home"
  downloads="$program_home/下载"
  mkdir -p "$program_home/.config" "$downloads"
  # shellcheck disable=SC2016 # the file's own syntax
  echo 'XDG_DOWNLOAD_DIR="$HOME/下载"' >"$program_home/.config/user-dirs.dirs"
}
