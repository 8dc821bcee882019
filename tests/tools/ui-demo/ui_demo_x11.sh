#!/usr/bin/env bash
# Runs ui-demo on a virtual X display: finds its window by the form's caption, takes a screenshot of the screen,
# opens the "Prüfungen" menu and its "Klasse A" sub-menu from the keyboard (Alt+P, Right) and takes another, then
# one of the memo's pop-up menu (right click),
# clicks an item with its F4 shortcut, prints two pages to a PDF file with Ctrl+P and reads them back with pdfinfo
# and pdftotext, closes the window with WM_CLOSE (Alt+F4, the system menu's Close) and expects exit code 0.
#   ui_demo_x11.sh DEMO OUTPUT_DIR
set -uo pipefail
demo=$1
out=$2

source "$(dirname "$0")/../x11_demo.sh" 1024x768x24 "xdotool import identify compare pdfinfo pdftotext" "$@"
rm -f "$out/ui-demo.pdf"
PEXU_PRINTER="pdf:$out/ui-demo.pdf" "$demo" --timeout 60000 &
pid=$!
fail() {
  echo "FAILED: $*"
  kill "$pid" 2>/dev/null
  exit 1
}

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pexu UI-Demo$' | head -n 1)
[ -n "$window" ] || fail "no window titled 'Pexu UI-Demo'"
echo "window $window: $(xdotool getwindowname "$window")"
# The window as drawn once the timer has ticked and the posted message has arrived (the status bar says both).
window_shown() {
  import -window root "$out/ui-demo.png" || return 1
  colours=$(identify -format "%k" "$out/ui-demo.png")
  [ "$colours" -gt 50 ]
}
until_shown window_shown || fail "the screenshot shows almost nothing"
echo "screenshot $out/ui-demo.png: $colours colours"

# Keyboard navigation: Alt+P opens "Prüfungen" with its first item highlighted, Right opens its sub-menu.
# Screenshot $1 differs from the window without a menu in more than $2 pixels.
changed_from_window() {
  import -window root "$out/$1.png" || return 1
  changed=$(compare -metric AE "$out/ui-demo.png" "$out/$1.png" null: 2>&1 | cut -d' ' -f1)
  [ "${changed%.*}" -gt "$2" ]
}
xdotool windowfocus --sync "$window"
xdotool key alt+p
until_shown changed_from_window ui-demo-menu 2000 || fail "Alt+P opened no menu"
xdotool key Right
until_shown changed_from_window ui-demo-menu "$((changed + 1000))" || fail "Right opened no sub-menu"
echo "screenshot $out/ui-demo-menu.png: $changed pixels differ from the window without the menu"
xdotool key Escape Escape Escape
until_shown eval '! changed_from_window ui-demo-closed 2000' || fail "Escape left a menu open"
xdotool mousemove --window "$window" 100 150 click 3
until_shown changed_from_window ui-demo-popup 2000 || fail "the right click opened no pop-up menu"
xdotool key Escape

# Shortcuts: F4 belongs to two items, the first in menu order ("Klasse A") is clicked; Ctrl+P prints.
xdotool key F4 ctrl+p
printed() { [ "$(pdfinfo "$out/ui-demo.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')" = 2 ]; }
until_shown printed || fail "Ctrl+P wrote no PDF file of 2 pages"
import -window root "$out/ui-demo-after.png" || true
echo "$out/ui-demo.pdf: 2 pages"
pdftotext -f 1 -l 1 "$out/ui-demo.pdf" - | grep -q "Erste Seite der Demo" || fail "page 1 lacks its text"
pdftotext -f 2 -l 2 "$out/ui-demo.pdf" - | grep -q "Zweite Seite der Demo" || fail "page 2 lacks its text"
echo "pdftotext finds the text of both pages"

xdotool windowfocus --sync "$window" && xdotool key alt+F4
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "ui-demo ended with $rc after WM_CLOSE"
echo "ui-demo ended with 0 after WM_CLOSE"
