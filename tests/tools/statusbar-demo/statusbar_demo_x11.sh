#!/usr/bin/env bash
# Runs statusbar-demo on a virtual X display: points at the control with a hint (the hint panels show it), takes a
# screenshot, checks that every panel's part holds drawn text and that the last one shows the progress bar, then
# closes the window with WM_CLOSE and expects exit code 0.
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
for _ in $(seq 100); do grep -q '^hint ' "$report" && break; sleep 0.1; done
read -r _ hint_x hint_y < <(grep '^hint ' "$report") || fail "the demo reported no panels"
xdotool windowfocus --sync "$window"
xdotool mousemove --sync "$hint_x" "$hint_y"
sleep 1.5  # the hint panels take the hint within 100 ms; the time panels tick
import -window root "$shot" || fail "no screenshot"
echo "screenshot $shot"

# Inside each part's bevel: text leaves dark or grey pixels on the light panel; the progress bar is blue.
names_long() { [ "${#1}" -ge 25 ]; }
checked=0
while read -r kind name x y w h; do
  [ "$kind" = panel ] || continue
  crop="$((w - 6))x$((h - 6))+$((x + 3))+$((y + 3))"
  if [ "$name" = psControl ]; then
    blue=$(convert "$shot" -crop "$((w / 3))x$((h - 6))+$((x + 3))+$((y + 3))" +repage -format '%[fx:mean.b-mean.r]' info:)
    awk -v b="$blue" 'BEGIN { exit !(b > 0.2) }' || fail "no progress bar in the last panel ($blue)"
  else
    if [ "$name" = psComputerName ] && names_long "$(hostname)"; then continue; fi
    darkest=$(convert "$shot" -crop "$crop" +repage -colorspace Gray -format '%[fx:minima]' info:)
    awk -v d="$darkest" 'BEGIN { exit !(d < 0.75) }' || fail "panel $name shows no text (darkest $darkest)"
  fi
  echo "panel $name: drawn"
  checked=$((checked + 1))
done <"$report"
[ "$checked" -ge 14 ] || fail "only $checked panels checked"

xdotool windowfocus --sync "$window" && xdotool key alt+F4
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "statusbar-demo ended with $rc after WM_CLOSE"
echo "statusbar-demo ended with 0 after WM_CLOSE"
