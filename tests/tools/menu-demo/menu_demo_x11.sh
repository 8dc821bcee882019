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
shot() { import -window root "$out/$1.png"; }
expect_hint() {
  until_shown grep -qF "hint: $1" "$out/stdout.txt" && echo "hint: '$1'" ||
    fail "the hint '$1' never reached the application"
}
# Screenshot $1 shows an open menu: more than $2 pixels in the menu colour and a highlighted item.
menu_shown() {
  shot "$1" || return 1
  menu=$(count "$out/$1.png" F7F7F7) highlight=$(count "$out/$1.png" 0A246A)
  [ "${menu:-0}" -gt "$2" ] && [ "${highlight:-0}" -gt 1500 ]
}
expect_menu() {
  until_shown menu_shown "$1" "$2" || fail "$1: no menu with a highlighted item"
  echo "screenshot $out/$1.png: ${menu:-0} menu-coloured pixels, ${highlight:-0} highlighted"
}
# The right strip of the shadow at x 620..624 from y 65: every other pixel darkened, the others as beneath.
shadow_shown() {
  shot 01-form-shadow || return 1
  a=$(pixel "$out/01-form-shadow.png" 620 201) b=$(pixel "$out/01-form-shadow.png" 621 201)
  { [ "$a" = 000000 ] || [ "$b" = 000000 ]; } && [ "$a" != "$b" ]
}

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pexu Menu-Demo$' | head -n 1)
[ -n "$window" ] || { fail "no window titled 'Pexu Menu-Demo'"; kill "$pid"; exit 1; }
xdotool windowfocus --sync "$window"
until_shown shadow_shown || fail "no checkered shadow right of the form"
echo "shadow pixels: $a $b"

xdotool key alt+d
until_shown menu_shown 02-datei 3000 || fail "Alt+D opened no menu"
xdotool key Down
expect_menu 02-datei 3000
expect_hint " Aktuelle Seite drucken"
xdotool mousemove 150 127
expect_hint " Drucker einrichten"
xdotool key Escape Escape

xdotool key alt+a
expect_menu 03-ansicht 3000
expect_hint " Statuszeile zeigen"
xdotool key Up Right
expect_menu 04-schriftgroesse 4000
expect_hint " Kleine Schrift"
xdotool key Escape Escape Escape

xdotool key alt+h
expect_menu 05-hilfe 1000
expect_hint " Die Pexu Hilfe"
xdotool key Escape Escape

xdotool mousemove 400 300 click 3
popup_shown() {
  shot 06-popup || return 1
  menu=$(count "$out/06-popup.png" F7F7F7)
  [ "${menu:-0}" -gt 2000 ]
}
until_shown popup_shown || fail "06-popup: too few pixels in the menu colour"
echo "screenshot $out/06-popup.png: ${menu:-0} menu-coloured pixels"
xdotool mousemove 430 310
expect_hint " Text in die Zwischenablage"
xdotool key Escape

xdotool key alt+d
until_shown menu_shown 07-datei 3000 || fail "Alt+D opened no menu"
xdotool key e
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "menu-demo ended with $rc after 'Beenden'"
[ "$failures" -eq 0 ] || exit 1
echo "menu-demo ended with 0 after 'Beenden'"
