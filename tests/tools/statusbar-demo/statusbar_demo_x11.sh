#!/usr/bin/env bash
# Runs statusbar-demo on a virtual X display: points at the control with a hint (the hint panels show it), waits
# until every panel's part holds drawn text and the last one shows the progress bar, switches Caps Lock and Num Lock
# on and off again and waits for their panels to follow each time, then closes the window with WM_CLOSE and expects
# exit code 0. Screenshots are taken until what is checked shows, for at most 10 seconds each.
#   statusbar_demo_x11.sh DEMO OUTPUT_DIR
set -uo pipefail
demo=$1
out=$2

source "$(dirname "$0")/../x11_demo.sh" 1600x400x24 "xdotool import convert" "$@"
report="$out/panels.txt"
shot="$out/statusbar-demo.png"
rm -f "$report" "$shot"
"$demo" --timeout 60000 >"$report" &
pid=$!
fail() {
  echo "FAILED: $*"
  kill "$pid" 2>/dev/null
  exit 1
}

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pexu Statusbar-Demo$' | head -n 1)
[ -n "$window" ] || fail "no window titled 'Pexu Statusbar-Demo'"
until_shown grep -q '^hint ' "$report"
read -r _ hint_x hint_y < <(grep '^hint ' "$report") || fail "the demo reported no panels"
xdotool windowfocus --sync "$window"
xdotool mousemove --sync "$hint_x" "$hint_y"

# The darkest grey (0 black, 1 white) inside the bevel of a part "X Y W H" of the last screenshot.
darkest() { convert "$shot" -crop "$(($3 - 6))x$(($4 - 6))+$(($1 + 3))+$(($2 + 3))" +repage -colorspace Gray -format '%[fx:minima]' info:; }
# A new screenshot on which the command succeeds.
on_shot() { import -window root "$shot" && "$@"; }

# Inside each part's bevel: text leaves dark or grey pixels on the light panel; the progress bar is blue.
names_long() { [ "${#1}" -ge 25 ]; }
all_drawn() {
  checked=0
  while read -r kind name x y w h; do
    [ "$kind" = panel ] || continue
    if [ "$name" = psControl ]; then
      blue=$(convert "$shot" -crop "$((w / 3))x$((h - 6))+$((x + 3))+$((y + 3))" +repage -format '%[fx:mean.b-mean.r]' info:)
      awk -v b="$blue" 'BEGIN { exit !(b > 0.2) }' || { missing="no progress bar in the last panel ($blue)"; return 1; }
    else
      if [ "$name" = psComputerName ] && names_long "$(hostname)"; then continue; fi
      d=$(darkest "$x" "$y" "$w" "$h")
      awk -v d="$d" 'BEGIN { exit !(d < 0.75) }' || { missing="panel $name shows no text (darkest $d)"; return 1; }
    fi
    checked=$((checked + 1))
  done <"$report"
  [ "$checked" -ge 14 ] || { missing="only $checked panels checked"; return 1; }
}
until_shown on_shot all_drawn || fail "$missing"
echo "screenshot $shot: all $checked panels drawn"

# A lock-key panel draws its text black while the lock is on and in the disabled greys while it is off. The display
# switches a lock on when its key goes down and off only when the key comes up again.
lock_is() {
  d=$(darkest $(grep "^panel $1 " "$report" | cut -d' ' -f3-))
  if awk -v d="$d" 'BEGIN { exit !(d < 0.3) }'; then [ "$2" = on ]; else [ "$2" = off ]; fi
}
for lock in "Caps_Lock psCapsLock" "Num_Lock psNumLock"; do
  read -r key panel <<<"$lock"
  until_shown on_shot lock_is "$panel" off || fail "$panel shows $key on before it was pressed"
  for state in on off; do
    xdotool key "$key"
    until_shown on_shot lock_is "$panel" "$state" || fail "$panel does not show $key $state after the key switched it $state"
    echo "$panel shows $key $state"
  done
done

xdotool windowfocus --sync "$window" && xdotool key alt+F4
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "statusbar-demo ended with $rc after WM_CLOSE"
echo "statusbar-demo ended with 0 after WM_CLOSE"
