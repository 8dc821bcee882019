#!/usr/bin/env bash
# Runs menu-demo on a virtual X display without a window manager (the form at (60, 60), 560 x 360): the shadow
# beside the form, each drop-down menu opened with the keyboard, a sub-menu and the pop-up menu, each saved as a
# screenshot and probed: the menu colour RGB(247,247,247) and the highlight RGB(10,36,106) cover the items, the
# highlighted item's hint reaches the application's hint (the demo prints "hint: <text>"), also when the mouse hovers
# an item. Ends with the menu's "Beenden" and expects exit code 0.
#   menu_demo_x11.sh DEMO OUTPUT_DIR
set -uo pipefail
demo=$1
out=$2

source "$(dirname "$0")/../x11_demo.sh" 1024x768x24 "xdotool import convert" "$@"
rm -f "$out"/*.png "$out/stdout.txt"
"$demo" --timeout 90000 >"$out/stdout.txt" &
pid=$!
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info:; }
# The number of pixels of an exact colour (hex digits) in a screenshot.
count() { convert "$1" -format %c histogram:info:- | grep -i "#$2 " | sed 's/^ *\([0-9]*\):.*/\1/' | head -n 1; }
shot() {
  sleep 0.7
  import -window root "$out/$1.png" || fail "no screenshot $1"
  echo "screenshot $out/$1.png"
}
expect_hint() {
  sleep 0.3
  grep -qF "hint: $1" "$out/stdout.txt" && echo "hint: '$1'" || fail "the hint '$1' never reached the application"
}
expect_menu() {
  local menu=$(count "$out/$1.png" F7F7F7) highlight=$(count "$out/$1.png" 0A246A)
  echo "$1: ${menu:-0} menu-coloured pixels, ${highlight:-0} highlighted"
  [ "${menu:-0}" -gt "$2" ] || fail "$1: too few pixels in the menu colour"
  [ "${highlight:-0}" -gt 1500 ] || fail "$1: no highlighted item"
}

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pexu Menu-Demo$' | head -n 1)
[ -n "$window" ] || { fail "no window titled 'Pexu Menu-Demo'"; kill "$pid"; exit 1; }
xdotool windowfocus --sync "$window"
# The right strip at x 620..624 from y 65: every other pixel darkened, the others as beneath. It shows once the
# screen beneath is painted: screenshots until it does, for at most 10 seconds.
for _ in $(seq 50); do
  import -window root "$out/01-form-shadow.png" || fail "no screenshot 01-form-shadow"
  a=$(pixel "$out/01-form-shadow.png" 620 201) b=$(pixel "$out/01-form-shadow.png" 621 201)
  { [ "$a" = 000000 ] || [ "$b" = 000000 ]; } && [ "$a" != "$b" ] && break
  sleep 0.2
done
echo "screenshot $out/01-form-shadow.png, shadow pixels: $a $b"
{ [ "$a" = 000000 ] || [ "$b" = 000000 ]; } && [ "$a" != "$b" ] || fail "no checkered shadow right of the form"

xdotool key alt+d
sleep 0.3
xdotool key Down
shot 02-datei
expect_menu 02-datei 3000
expect_hint " Aktuelle Seite drucken"
xdotool mousemove 150 127
expect_hint " Drucker einrichten"
xdotool key Escape Escape

xdotool key alt+a
shot 03-ansicht
expect_menu 03-ansicht 3000
expect_hint " Statuszeile zeigen"
xdotool key Up Right
shot 04-schriftgroesse
expect_menu 04-schriftgroesse 4000
expect_hint " Kleine Schrift"
xdotool key Escape Escape Escape

xdotool key alt+h
shot 05-hilfe
expect_menu 05-hilfe 1000
expect_hint " Die Pexu Hilfe"
xdotool key Escape Escape

xdotool mousemove 400 300 click 3
sleep 0.5
xdotool mousemove 430 310
shot 06-popup
count_menu=$(count "$out/06-popup.png" F7F7F7)
echo "06-popup: ${count_menu:-0} menu-coloured pixels"
[ "${count_menu:-0}" -gt 2000 ] || fail "06-popup: too few pixels in the menu colour"
expect_hint " Text in die Zwischenablage"
xdotool key Escape

xdotool key alt+d
sleep 0.5
xdotool key e
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "menu-demo ended with $rc after 'Beenden'"
[ "$failures" -eq 0 ] || exit 1
echo "menu-demo ended with 0 after 'Beenden'"
