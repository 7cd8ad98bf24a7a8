#!/usr/bin/env bash
# The three views of the real program against the demo portal, walked with the keyboard
# and the mouse: main window -> live TV -> torrent player -> paste and play -> main
# window, then closed. Pictures of each view go to OUT, the logs to OUT/e2e-views.
set -uo pipefail
quorin=$1 portal=$2 closer=$3 port=$4 out=$5
work="$out/e2e-views"
. "$(dirname "$0")/e2e-lib.sh"
own_display "$0" "$@"
mkdir -p "$work"
start_portal "$portal" "$port" --version 3.1
start_program "$quorin"

count() { grep -c "^GET $1\$" "$log"; }
# Waits until the request has been seen N times.
requested() {
  for _ in $(seq 120); do
    [ "$(count "$1")" -ge "$2" ] && return 0
    kill -0 "$qpid" 2>/dev/null || fail "the program ended while waiting for $1"
    sleep 0.25
  done
  fail "$1 was not requested $2 time(s)"
}
# The one view on the screen, once it is another window than $1.
view() {
  local w=""
  for _ in $(seq 120); do
    w=$(xdotool search --all --pid "$qpid" --onlyvisible --name '^Quorin 高清云播放器$' 2>/dev/null)
    if [ -n "$w" ] && [ "$(echo "$w" | wc -l)" -eq 1 ] && [ "$w" != "${1:-}" ]; then
      echo "$w"
      return 0
    fi
    sleep 0.25
  done
  fail "no single new view on the screen (seen: $w)"
}
# Chooses the menu item at 0-based position N with the keyboard.
menu() {
  xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool key --clearmodifiers alt
  for _ in $(seq "$2"); do xdotool key Right; done
  xdotool key Return
}
picture() {
  sleep 1.5  # let the page paint
  import -window "$1" "$out/$2.png" 2>/dev/null || true
}

main=$(view) || exit 1
requested /yun/move 1
requested /yun/up1.txt 1
picture "$main" view-main

menu "$main" 1  # 电视直播
requested /yun/tv.html 1
[ "$(count /yun/up1.txt)" -eq 2 ] || fail "leaving the main window did not read the manifest once more"
tv=$(view "$main") || exit 1
picture "$tv" view-live-tv

menu "$tv" 2  # BT云播放
requested /yun/111 1
player=$(view "$tv") || exit 1
picture "$player" view-torrent-player

# Paste and play: the button at 12120, 7440 (twips) in the 987 x 520 client area, which
# lies below the menu bar.
text='magnet:?xt=urn:btih:quorin&dn=演示 影片'
printf '%s' "$text" | xclip -selection clipboard
height=$(xdotool getwindowgeometry "$player" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
xdotool mousemove --window "$player" 848 $((height - 520 + 507)) click 1
requested '/happyvod/api.html?url=magnet:?xt=urn:btih:quorin&dn=%E6%BC%94%E7%A4%BA%20%E5%BD%B1%E7%89%87' 1
picture "$player" view-resolving-service

menu "$player" 0  # 高清影院
requested /yun/up1.txt 3
requested /yun/move 2
main=$(view "$player") || exit 1

"$closer" "$main" || fail "could not ask the window to close"
wait_end
[ "$code" -eq 0 ] || fail "the program exited with $code"
[ "$(count /yun/up1.txt)" -eq 4 ] || fail "closing did not read the manifest once more"
echo "PASS: main -> live TV -> torrent player -> play -> main, closed with 0"
