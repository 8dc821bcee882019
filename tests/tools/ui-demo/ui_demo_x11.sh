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
sleep 2  # the timer ticks and the posted message arrives
import -window root "$out/ui-demo.png" || fail "no screenshot"
colours=$(identify -format "%k" "$out/ui-demo.png")
echo "screenshot $out/ui-demo.png: $colours colours"
[ "$colours" -gt 50 ] || fail "the screenshot shows almost nothing"

# Keyboard navigation: Alt+P opens "Prüfungen" with its first item highlighted, Right opens its sub-menu.
xdotool windowfocus --sync "$window"
xdotool key alt+p
sleep 0.5
xdotool key Right
sleep 0.5
import -window root "$out/ui-demo-menu.png" || fail "no screenshot of the menu"
changed=$(compare -metric AE "$out/ui-demo.png" "$out/ui-demo-menu.png" null: 2>&1 | cut -d' ' -f1)
echo "screenshot $out/ui-demo-menu.png: $changed pixels differ from the window without the menu"
[ "${changed%.*}" -gt 5000 ] || fail "no menu opened"
xdotool key Escape Escape Escape
sleep 0.3
xdotool mousemove --window "$window" 100 150 click 3
sleep 0.5
import -window root "$out/ui-demo-popup.png" || fail "no screenshot of the pop-up menu"
xdotool key Escape
sleep 0.3

# Shortcuts: F4 belongs to two items, the first in menu order ("Klasse A") is clicked; Ctrl+P prints.
xdotool key F4
sleep 0.3
xdotool key ctrl+p
for _ in $(seq 1 50); do [ -f "$out/ui-demo.pdf" ] && break; sleep 0.2; done
[ -f "$out/ui-demo.pdf" ] || fail "Ctrl+P wrote no PDF file"
import -window root "$out/ui-demo-after.png" || true
pages=$(pdfinfo "$out/ui-demo.pdf" | sed -n 's/^Pages: *//p')
echo "$out/ui-demo.pdf: $pages pages"
[ "$pages" = 2 ] || fail "the PDF has $pages pages instead of 2"
pdftotext -f 1 -l 1 "$out/ui-demo.pdf" - | grep -q "Erste Seite der Demo" || fail "page 1 lacks its text"
pdftotext -f 2 -l 2 "$out/ui-demo.pdf" - | grep -q "Zweite Seite der Demo" || fail "page 2 lacks its text"
echo "pdftotext finds the text of both pages"

xdotool windowfocus --sync "$window" && xdotool key alt+F4
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "ui-demo ended with $rc after WM_CLOSE"
echo "ui-demo ended with 0 after WM_CLOSE"
