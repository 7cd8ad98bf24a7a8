#!/usr/bin/env bash
# The upgrade flow of the real program against the demo portal, on the display in
# $DISPLAY. The program is copied into a folder of its own, the program directory the
# installer is written to.
#   accept   version 3.3: the offer is accepted, the installer is fetched into the
#            program directory and started, and the program ends with 0
#   refuse   version 3.31: the compulsory offer is refused, the program ends with 0 at
#            once, having asked for the manifest once
#   none     version 3.2: no offer, the main window stays until it is closed
#   bad_signature, no_signature
#            version 3.3 with a signature that is not the installer's, or none (a build
#            with the demo key): the offer is accepted and the installer fetched, then
#            refused: the failure box shows, nothing is started, the file is gone and the
#            program runs on until its upgrade window is closed, ending with 0
# After each end no helper process of the browser engine may be left running.
set -uo pipefail
mode=$1 quorin=$2 portal=$3 closer=$4 port=$5 out=$6
work=$out
. "$(dirname "$0")/e2e-lib.sh"
own_display "$0" "$@"
rm -rf "$out"
mkdir -p "$out/program"
cp "$quorin" "$out/program/quorin"
installerLog="$out/installer.log"

signature=good
case "$mode" in
  accept) version=3.3 ;;
  refuse) version=3.31 ;;
  none) version=3.2 ;;
  bad_signature) version=3.3 signature=bad ;;
  no_signature) version=3.3 signature=none ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac

start_portal "$portal" "$port" --version "$version" --signature "$signature" \
  --installer-log "$installerLog"
start_program "$out/program/quorin"

# Every process below the program: the browser engine's helpers.
descendants() {
  local all=" $1 " grew=1
  while [ $grew -eq 1 ]; do
    grew=0
    while read -r pid ppid; do
      if [[ "$all" == *" $ppid "* && "$all" != *" $pid "* ]]; then
        all="$all$pid "
        grew=1
      fi
    done < <(ps -e -o pid= -o ppid=)
  done
  echo "${all# $1 }"
}
# Once the program has ended, none of them may still run (a dead one waiting to be
# reaped by init does not count).
no_orphans() {
  local pid state
  for _ in $(seq 100); do
    local running=""
    for pid in $helpers; do
      state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null) || continue
      [ "$state" = Z ] || running="$running $pid"
    done
    [ -z "$running" ] && return 0
    sleep 0.05
  done
  fail "helper processes left running after the end:$running"
}
find_window() {
  local w=""
  for _ in $(seq 120); do
    # --all: by default xdotool takes a window that meets either condition.
    w=$(xdotool search --all --pid "$qpid" --name "$1" 2>/dev/null | head -n 1)
    [ -n "$w" ] && break
    kill -0 "$qpid" 2>/dev/null || fail "the program ended before a window matching '$1' appeared"
    sleep 0.25
  done
  [ -n "$w" ] || fail "no window matching '$1'"
  echo "$w"
}
manifests() { grep -c '^GET /yun/up1.txt$' "$log"; }

installer="$out/program/QuorinSetup.sh"
fetches() { grep -c '^GET /files/QuorinSetup-3.3.sh$' "$log"; }

case "$mode" in
  accept | refuse | bad_signature | no_signature)
    box=$(find_window '^发现新版本') || exit 1
    [ "$(manifests)" -eq 1 ] || fail "the manifest was asked for $(manifests) times before the offer"
    helpers=$(descendants "$qpid")
    [ -n "$helpers" ] || fail "no helper process of the browser engine was seen"
    import -window "$box" "$out/offer.png" 2>/dev/null || true
    xdotool windowfocus --sync "$box" 2>/dev/null
    if [ "$mode" = refuse ]; then
      xdotool key --clearmodifiers alt+n
    else
      xdotool key --clearmodifiers Return
      upgrade=$(find_window '^Quorin 高清云播放器  升级专用下载器$') || exit 1
      import -window "$upgrade" "$out/upgrade-window.png" 2>/dev/null || true
    fi
    ;;
esac

case "$mode" in
  bad_signature | no_signature)
    # The refusal: the failure box of a failed launch, with the program still there.
    failure=$(find_window '^自动升级下载失败！！！$') || exit 1
    import -window "$failure" "$out/failure.png" 2>/dev/null || true
    kill -0 "$qpid" 2>/dev/null || fail "the program ended"
    [ "$(fetches)" -eq 1 ] || fail "the installer was fetched $(fetches) times"
    [ -e "$installer" ] && fail "the refused installer is still in the program directory"
    [ -e "$installerLog" ] && fail "the refused installer ran"
    xdotool windowfocus --sync "$failure" 2>/dev/null
    xdotool key --clearmodifiers Return
    for _ in $(seq 40); do
      [ -z "$(xdotool search --name '^自动升级下载失败' 2>/dev/null)" ] && break
      sleep 0.25
    done
    [ -z "$(xdotool search --name '^自动升级下载失败' 2>/dev/null)" ] || fail "the box stayed"
    # Nothing is tried again: the window stays as it is until it is closed.
    sleep 2
    kill -0 "$qpid" 2>/dev/null || fail "the program ended after the box"
    [ "$(fetches)" -eq 1 ] || fail "the installer was fetched again"
    [ -e "$installer" ] && fail "an installer came back"
    [ -e "$installerLog" ] && fail "an installer ran"
    "$closer" "$upgrade" || fail "could not ask the upgrade window to close"
    ;;
esac

case "$mode" in
  accept | refuse | bad_signature | no_signature)
    wait_end
    [ "$code" -eq 0 ] || fail "the program exited with $code"
    no_orphans
    ;;
esac

case "$mode" in
  accept)
    [ -f "$installer" ] || fail "no installer in the program directory"
    [ "$(fetches)" -eq 1 ] || fail "the installer was not fetched exactly once"
    cmp -s "$installer" <(curl -s "http://127.0.0.1:$port/files/QuorinSetup-3.3.sh") ||
      fail "the installer differs from what the portal serves"
    # The installer runs on its own after the program has gone; it records its run.
    for _ in $(seq 100); do
      grep -q "ran as $installer\$" "$installerLog" 2>/dev/null && break
      sleep 0.1
    done
    grep -q "ran as $installer\$" "$installerLog" 2>/dev/null || fail "the installer did not run"
    echo "PASS: installer fetched, started and the program ended with 0; no helper left"
    ;;
  bad_signature | no_signature)
    echo "PASS: signature $signature: installer fetched, refused and deleted, not started;" \
      "the program ran on until its window was closed and ended with 0; no helper left"
    ;;
  refuse)
    [ "$(manifests)" -eq 1 ] || fail "refusing asked for the manifest again"
    grep -q '^GET /files/' "$log" && fail "refusing fetched the installer"
    echo "PASS: refused, ended with 0 after one manifest request; no helper left"
    ;;
  none)
    # The main window is shown only after its load, version check included, is over.
    window=$(find_window '^Quorin 高清云播放器$') || exit 1
    [ -z "$(xdotool search --name '^发现新版本' 2>/dev/null)" ] || fail "an offer was shown"
    [ "$(manifests)" -eq 1 ] || fail "the manifest was asked for $(manifests) times"
    helpers=$(descendants "$qpid")
    "$closer" "$window" || fail "could not ask the window to close"
    wait_end
    [ "$code" -eq 0 ] || fail "the program exited with $code"
    [ "$(manifests)" -eq 2 ] || fail "closing did not read the manifest once more"
    grep -q '^GET /files/' "$log" && fail "the installer was fetched"
    no_orphans
    echo "PASS: no offer, the main window stayed until closed; no helper left"
    ;;
esac
