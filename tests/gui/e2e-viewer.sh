#!/usr/bin/env bash
# A viewer's walk through the real program against the demo portal, with real clicks and
# keys, with a home of its own (see start_program):
#   play      the start page's link opens the player page and the clip plays
#   fullscreen the page's full-screen button and a double-click on the picture fill the
#             screen with the window; Esc gives the window back exactly as it was
#   torrent   clicked .torrent links land in the download folder, under clean names that
#             never overwrite one another, and nowhere else
#   menu      the context menu on a link closes with Esc, copies the link's address and
#             saves its target (its picture, to see that it speaks Chinese, goes to OUT)
#   crash     a killed renderer brings the page back by one reload; killed again at once,
#             the pane keeps a message and no reload, and the menu still works
#   signin    the sign-in page signs the viewer in
#   restart   closing reads the (cacheable) manifest from the server again; started again,
#             the program reads the manifest changed meanwhile
#   still_signed_in  and the portal sees the sign-in cookie, the page the stored item
#   close     the program ends with 0
# Pictures and logs go to OUT/e2e-viewer. QUORIN_E2E_SKIP="fullscreen crash" skips steps.
set -uo pipefail
quorin=$1 portal=$2 closer=$3 port=$4 out=$5
work="$out/e2e-viewer"
. "$(dirname "$0")/e2e-lib.sh"
own_display "$0" "$@"
rm -rf "$work"
mkdir -p "$work"
download_folder
base="http://127.0.0.1:$port"
user=viewer

# The main window's client area is 987 x 520 below the menu bar, and its browser starts 32
# pixels above it. The places below are those of the demo pages' fixed layout, in the
# client area's pixels.
trial_link=(610 26)          # the cinema pages' 片花试看
play_button=(64 386)         # the player page's buttons, picture and side links
full_button=(168 386)
picture=(256 228)
seed_link=(568 136)          # 星海拾光.片花.torrent
hostile_seed_link=(568 164)  # the one whose suggested name climbs out of its folder
signin_link=(568 192)

# waits DESCRIPTION COMMAND...: runs COMMAND until it succeeds, for up to 30 seconds.
waits() {
  local what=$1
  shift
  for _ in $(seq 120); do
    "$@" && return 0
    kill -0 "$qpid" 2>/dev/null || fail "the program ended while waiting: $what"
    sleep 0.25
  done
  fail "$what"
}
# logged REGEX N: the request log has at least N lines matching REGEX.
logged() { [ "$(grep -cE "$1" "$log")" -ge "$2" ]; }
count() { grep -cE "$1" "$log"; }
# requested REGEX COMMAND...: runs COMMAND and waits for one more request matching REGEX.
requested() {
  local pattern=$1 seen
  seen=$(count "$pattern")
  shift
  "$@"
  waits "no request matching $pattern after $*" logged "$pattern" $((seen + 1))
}
# loaded PATH COMMAND...: runs COMMAND and waits for the page at PATH to report one more load.
loaded() {
  local path=${1//\//%2F}
  shift
  requested "^GET /yun/beacon\?e=load&path=$path&" "$@"
}

main_window() {
  local w=""
  for _ in $(seq 120); do
    w=$(xdotool search --all --pid "$qpid" --onlyvisible --name '^Quorin 高清云播放器$' 2>/dev/null | head -n 1)
    [ -n "$w" ] && break
    kill -0 "$qpid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.25
  done
  [ -n "$w" ] || fail "no main window"
  main=$w
}
geometry() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; }
# click X Y [REPEAT]: a left click at X, Y of the main window's client area.
click() {
  local HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$main" | grep '^HEIGHT=')"
  xdotool mousemove --window "$main" "$1" $((HEIGHT - 520 + $2)) click --repeat "${3:-1}" --delay 120 1
}
key() { xdotool key --clearmodifiers "$@"; }
# red X Y: the main window shows the cinema pages' red at X, Y of its client area.
red() {
  local HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$main" | grep '^HEIGHT=')"
  import -window "$main" -crop "1x1+$1+$((HEIGHT - 520 + $2))" +repage -depth 8 txt:- 2>/dev/null |
    grep -q '#C01C28'
}
picture() { import -window "${2:-root}" "$work/$1.png" 2>/dev/null || true; }
# The main window's menu bar, by the keyboard: 0 is 高清影院.
menu() {
  xdotool windowfocus --sync "$main" 2>/dev/null
  key alt
  for _ in $(seq "$1"); do key Right; done
  key Return
}
start_page() { loaded /yun/move menu 0; }
player_page() {
  start_page
  loaded /yun/play click "${trial_link[@]}"
}

step_start() {
  start_portal "$portal" "$port" --version 3.1
  start_program "$quorin"
  main_window
  waits "the start page did not load" logged '^GET /yun/beacon\?e=load&path=%2Fyun%2Fmove&' 1
  waits "the manifest was not read" logged '^GET /yun/up1\.txt$' 1
  # A page takes clicks once it is on the screen, a little after it has loaded.
  waits "the start page did not show" red "${trial_link[@]}"
}

step_play() {
  loaded /yun/play click "${trial_link[@]}"
  click "${play_button[@]}"
  waits "the clip did not play ($(grep 'e=error' "$log" | tail -n 1))" \
    logged '^GET /yun/beacon\?e=playing$' 1
  picture playing "$main"
}

# full_screen: a window of the program covers the screen (the main window itself, or one
# the page's element was moved to).
full_screen() {
  local w
  for w in $(xdotool search --all --onlyvisible --pid "$qpid" --name '.*' 2>/dev/null); do
    [ "$(geometry "$w")" = "$screen" ] && return 0
  done
  return 1
}
restored() { [ "$(geometry "$main")" = "$before" ]; }
step_fullscreen() {
  local screen before
  screen=$(xdotool getdisplaygeometry | awk '{print "X=0 Y=0 WIDTH=" $1 " HEIGHT=" $2 " "}')
  before=$(geometry "$main")
  # The page's own button, then a double-click on the picture; Esc each time.
  for way in button picture; do
    if [ "$way" = button ]; then
      click "${full_button[@]}"
    else
      click "${picture[@]}" 2
    fi
    waits "the page did not go full screen by its $way" logged '^GET /yun/beacon\?e=fullscreen&on=1$' \
      "$([ "$way" = button ] && echo 1 || echo 2)"
    waits "full screen by the $way: no window of the program is $screen" full_screen
    picture "full-screen-by-$way"
    key Escape
    waits "Esc did not end full screen" logged '^GET /yun/beacon\?e=fullscreen&on=0$' \
      "$([ "$way" = button ] && echo 1 || echo 2)"
    waits "after Esc the window is $(geometry "$main"), not $before as it was" restored
  done
}

# downloaded N: N files in the download folder, each the torrent as the portal serves it.
downloaded() {
  local n=0 f
  for f in "$downloads"/*; do
    # The engine writes into NAME.download and renames it once the file is whole.
    [[ "$f" == *.download ]] && continue
    [ -f "$f" ] && cmp -s "$f" "$work/seed.torrent" && n=$((n + 1))
  done
  [ "$n" -ge "$1" ]
}
step_torrent() {
  curl -sf -o "$work/seed.torrent" "$base/yun/seed/1.torrent" || fail "no torrent from the portal"
  player_page
  click "${seed_link[@]}"
  waits "the clicked torrent did not land in $downloads" downloaded 1
  [ -f "$downloads/星海拾光.片花.torrent" ] ||
    fail "the torrent is not saved as 星海拾光.片花.torrent: $(ls "$downloads")"
  click "${seed_link[@]}"
  waits "the torrent clicked again did not land beside the first" downloaded 2
  click "${hostile_seed_link[@]}"
  waits "the torrent with the hostile name did not land in the download folder" downloaded 3
  local names
  waits "the download folder holds more than the three torrents: $(ls -A "$downloads" | tr '\n' '|')" \
    eval '[ "$(find "$downloads" -mindepth 1 | wc -l)" -eq 3 ]'
  names=$(ls -A "$downloads")
  [ -z "$(find "$downloads" -mindepth 1 -name '*[[:cntrl:]]*')" ] || fail "a control character in a saved name: $names"
  [ -z "$(find "$work" -name '*.torrent' -not -path "$downloads/*" -not -path "$work/seed.torrent")" ] ||
    fail "a torrent landed outside the download folder"
  echo "saved: $(echo "$names" | tr '\n' '|')"
}

popups() { xdotool search --all --onlyvisible --pid "$qpid" --name '.*' 2>/dev/null | wc -l; }
# context_menu KEY...: opens the context menu on the torrent link and presses KEY...
# there; waits for the menu to close.
context_menu() {
  local windows HEIGHT
  windows=$(popups)
  eval "$(xdotool getwindowgeometry --shell "$main" | grep '^HEIGHT=')"
  xdotool mousemove --window "$main" "${seed_link[0]}" $((HEIGHT - 520 + seed_link[1])) click 3
  waits "no context menu opened" eval '[ "$(popups)" -gt "$windows" ]'
  [ -e "$work/context-menu.png" ] || picture context-menu
  key "$@"
  waits "the context menu stayed after $*" eval '[ "$(popups)" -eq "$windows" ]'
}
# A link's own entries end the menu: "复制链接地址" last, "保存链接" before it.
step_menu() {
  local saved
  player_page
  context_menu Escape
  echo -n stale | xclip -selection clipboard
  context_menu Up Return
  waits "the menu's last entry did not copy the link's address" \
    eval '[ "$(xclip -o -selection clipboard)" = "$base/yun/seed/1.torrent" ]'
  saved=$(find "$downloads" -mindepth 1 | wc -l)
  context_menu Up Up Return
  waits "the menu's entry before the last did not save the link" downloaded $((saved + 1))
}

# The program's renderers: the engine forks them from its zygote, a child of the program
# that has no --no-zygote-sandbox, so they are its grandchildren through that one.
renderers() {
  ps -eo pid=,ppid=,args= | awk -v root="$qpid" '
    $2 == root && / --type=zygote / && !/ --no-zygote-sandbox/ { zygote[$1] = 1 }
    { parent[$1] = $2 }
    END { for (p in parent) if (parent[p] in zygote) print p }'
}
# kill_renderers: ends the program's renderers as a crash would.
kill_renderers() {
  local pids
  pids=$(renderers)
  [ -n "$pids" ] || fail "no renderer process of the program found"
  # shellcheck disable=SC2086
  kill -KILL $pids
}
step_crash() {
  local loads shown
  player_page
  loads=$(count '^GET /yun/play$')
  shown=$(count '^GET /yun/beacon\?e=load&path=%2Fyun%2Fplay&')
  kill_renderers
  waits "the crashed page was not loaded again" logged '^GET /yun/play$' $((loads + 1))
  waits "the page loaded again did not finish" logged '^GET /yun/beacon\?e=load&path=%2Fyun%2Fplay&' \
    $((shown + 1))
  picture reloaded "$main"
  # Dead again at once: the pane keeps its message over the page, which is not loaded
  # again in a loop, and the menu still works.
  kill_renderers
  waits "no message over the page that died again" eval '! red "${trial_link[@]}"'
  picture crashed-again "$main"
  start_page
  [ "$(count '^GET /yun/play$')" -eq $((loads + 1)) ] || fail "the crashed page was loaded again more than once"
}

step_signin() {
  player_page
  loaded /yun/login click "${signin_link[@]}"
  # The name field takes the focus when the page loads.
  requested '^POST /yun/login$' eval "xdotool type --delay 60 $user; key Return"
  waits "the sign-in did not store the name in the page's local storage" \
    logged "^GET /yun/beacon\\?e=load&path=%2Fyun%2Flogin&stored=$user$" 1
  start_page
  grep -A1 -E '^GET /yun/move$' "$log" | tail -n 1 | grep -q "^  Cookie: .*quorin_user=$user" ||
    fail "the start page did not send the sign-in cookie"
  picture signed-in "$main"
}

step_restart() {
  local manifests
  manifests=$(count '^GET /yun/up1\.txt$')
  "$closer" "$main" || fail "could not ask the window to close"
  wait_end
  [ "$code" -eq 0 ] || fail "the program exited with $code"
  [ "$(count '^GET /yun/up1\.txt$')" -eq $((manifests + 1)) ] ||
    fail "closing did not read the manifest from the server again (served with max-age and an ETag)"

  # Announced now, so that only a fresh read finds it.
  curl -sf -d version=3.3 "$base/demo/version" || fail "the portal did not take the new version"
  mark=$(wc -l <"$log")
  start_program "$quorin"
  local box=""
  for _ in $(seq 120); do
    box=$(xdotool search --all --pid "$qpid" --name '^发现新版本' 2>/dev/null | head -n 1)
    [ -n "$box" ] && break
    kill -0 "$qpid" 2>/dev/null || fail "the program ended before the offer"
    sleep 0.25
  done
  [ -n "$box" ] || fail "started again, the program did not read the changed manifest (no offer of 3.3)"
  picture offer "$box"
  xdotool windowfocus --sync "$box" 2>/dev/null
  key alt+n
  main_window
}

step_still_signed_in() {
  waits "started again, the start page did not send the sign-in cookie" eval \
    "tail -n +$((mark + 1)) \"\$log\" | grep -A1 -E '^GET /yun/move$' | grep -q '^  Cookie: .*quorin_user=$user'"
  waits "started again, the local-storage item is gone" eval \
    "tail -n +$((mark + 1)) \"\$log\" | grep -qE '^GET /yun/beacon\\?e=load&path=%2Fyun%2Fmove&stored=$user$'"
  picture restarted "$main"
}

step_close() {
  "$closer" "$main" || fail "could not ask the window to close"
  wait_end
  [ "$code" -eq 0 ] || fail "the program exited with $code"
}

step_start
passed=()
for step in play fullscreen torrent menu crash signin restart still_signed_in close; do
  case " ${QUORIN_E2E_SKIP:-} " in *" $step "*) continue ;; esac
  echo "--- $step"
  "step_$step"
  passed+=("$step")
done
echo "PASS: ${passed[*]}"
