#!/usr/bin/env bash
# Runs app-forms-demo on a virtual X display and checks three flows with screenshots:
#   settings: Strg+E, a click on "Alternative zufällige Fragenauswahl" (hovered first, so it shows red), a click on
#     the stand-in main window: Pexu.ini holds Zufallszahlen=1 and Default, AskedList, FVBNetzA 0;
#   editor: F11, part "Technische Kenntnisse Klasse A", three questions selected with the mouse, Strg+M, count 2,
#     time 10, a comment, Strg+S "x" in the file chooser: Fragen/x.qlt holds exactly that list;
#   question window: the pool's TA105 shown from the editor (Strg+T) with its identifier row, picture and right
#     answer; a click on "[schließen]" hides it;
#   about box: F9 shows the version and the catalogue's versions; a second run without a catalogue shows one
#     warning, and none comes back after it is closed.
#   app_forms_demo_x11.sh DEMO OUTPUT_DIR
set -uo pipefail
demo=$1
out=$2

source "$(dirname "$0")/../x11_demo.sh" 1024x768x24 "xdotool import convert" "$@"
report="$out/report.txt"
data="$out/data"
pid=
fail() {
  echo "FAILED: $*"
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  exit 1
}
# Waits for a report line NAME and answers "X Y".
point() {
  for _ in $(seq 100); do
    line=$(grep "^$1 " "$report" | tail -n 1)
    [ -n "$line" ] && { echo "${line#"$1 "}"; return; }
    sleep 0.1
  done
  fail "no report of $1"
}
shot() { import -window root "$out/$1.png" || fail "no screenshot $1"; echo "screenshot $out/$1.png"; }
start() {
  rm -rf "$data" "$report"
  mkdir -p "$data"
  "$demo" --data "$data" --timeout 120000 "$@" >"$report" &
  pid=$!
  main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pexu Demo-Hauptfenster$' | head -n 1)
  [ -n "$main" ] || fail "no stand-in main window"
}
stop() {
  xdotool windowfocus --sync "$main" && xdotool key alt+F4
  wait "$pid"
  rc=$?
  pid=
  [ "$rc" -eq 0 ] || fail "app-forms-demo ended with $rc"
}
ini() { tr -d '\r' <"$data/Pexu.ini" | sed -n "s/^$1=//p"; }

# ---- Settings
start
xdotool windowfocus --sync "$main" && xdotool key ctrl+e
settings=$(timeout 10 xdotool search --sync --onlyvisible --name '^ Pexu - Einstellungen$' | head -n 1)
[ -n "$settings" ] || fail "Strg+E showed no settings window"
read -r x y < <(point settings-blocks)
xdotool mousemove --sync "$x" "$y"
sleep 0.5
shot settings-hover
# The hovered label is drawn in clRed: many of its (smoothed) pixels are strongly red.
red=$(convert "$out/settings-hover.png" -crop "160x14+$((x - 10))+$((y - 7))" +repage txt:- |
  awk 'function hex(s) { return 16 * (index("0123456789ABCDEF", substr(s, 1, 1)) - 1) + index("0123456789ABCDEF", substr(s, 2, 1)) - 1 }
       { if (hex(substr($3, 2, 2)) >= 200 && hex(substr($3, 4, 2)) <= 128 && hex(substr($3, 6, 2)) <= 128) n++ }
       END { print n + 0 }')
[ "$red" -gt 20 ] || fail "the hovered label is not red ($red red pixels)"
echo "hovered label: $red red pixels"
xdotool click 1
sleep 0.3
shot settings-chosen
xdotool key alt+e
sleep 0.5
shot settings-menu
xdotool key Escape
sleep 0.3
xdotool windowfocus --sync "$main"
sleep 0.5
for key in Default AskedList FVBNetzA; do [ "$(ini "$key")" = 0 ] || fail "Pexu.ini: $key=$(ini "$key")"; done
[ "$(ini Zufallszahlen)" = 1 ] || fail "Pexu.ini: Zufallszahlen=$(ini Zufallszahlen)"
echo "Pexu.ini: Zufallszahlen=1, Default=0, AskedList=0, FVBNetzA=0"

# ---- Editor
xdotool key F11
editor=$(timeout 10 xdotool search --sync --onlyvisible --name '^ Pexu - Pr.*fungseditor$' | head -n 1)
[ -n "$editor" ] || fail "F11 showed no editor"
read -r x y < <(point editor-part)
xdotool mousemove --sync "$x" "$y" click 1
sleep 0.5
xdotool key Return
sleep 0.5
read -r x y < <(point editor-pool0)
xdotool mousemove --sync "$x" "$y" click 1
for i in 2 4; do
  read -r x y < <(point "editor-pool$i")
  xdotool mousemove --sync "$x" "$y" keydown ctrl click 1 keyup ctrl
done
xdotool key ctrl+m
read -r x y < <(point editor-count)
xdotool mousemove --sync "$x" "$y" click 1
sleep 0.5
xdotool key Return
read -r x y < <(point editor-time)
xdotool mousemove --sync "$x" "$y" click 1 key Home 1 0
read -r x y < <(point editor-comment)
xdotool mousemove --sync "$x" "$y" click 1 type "Drei Fragen"
sleep 0.5
shot editor
xdotool key ctrl+s
sleep 1.5
shot editor-save-dialog
xdotool type x
xdotool key Return
sleep 1
shot editor-saved
expected=$(printf '#Drei Fragen\r\nTA=2\r\nZeit=10\r\nTA101\r\nTA103\r\nTA105\r\n')
[ -f "$data/Fragen/x.qlt" ] || fail "no Fragen/x.qlt"
[ "$(cat "$data/Fragen/x.qlt")" = "$expected" ] || fail "Fragen/x.qlt holds: $(cat -A "$data/Fragen/x.qlt")"
echo "Fragen/x.qlt: the comment, TA=2, Zeit=10 and TA101 TA103 TA105"

# ---- Question window from the editor
xdotool windowfocus --sync "$editor"
read -r x y < <(point editor-pool4)
xdotool mousemove --sync "$x" "$y" click 1
sleep 0.3
xdotool key ctrl+t
question=$(timeout 10 xdotool search --sync --onlyvisible --name '^Pexu - Frage und richtige Antwort$' | head -n 1)
[ -n "$question" ] || fail "Strg+T showed no question window"
grep -q '^show TA TA105$' "$report" || fail "the editor did not show TA105"
grep -q '<b>TA105</b>' "$data/html/LetzteFrage.html" || fail "the question page has no identifier row"
grep -q 'Widerst' "$data/html/LetzteFrage.html" || fail "the question page has no text"
read -r x y < <(point question-link)
sleep 0.5
shot question
xdotool mousemove --sync "$x" "$y" click 1
for _ in $(seq 50); do grep -q '^question hidden' "$report" && break; sleep 0.1; done
grep -q '^question hidden' "$report" || fail "[schließen] did not hide the question window"
sleep 0.3
xdotool search --onlyvisible --name '^Pexu - Frage und richtige Antwort$' >/dev/null && fail "the question window still shows"
shot question-closed
echo "question window: TA105 shown from the editor, hidden by its link"

# ---- About box
xdotool windowfocus --sync "$main" && xdotool key F9
about=$(timeout 10 xdotool search --sync --onlyvisible --name '^Info$' | head -n 1)
[ -n "$about" ] || fail "F9 showed no about box"
sleep 0.5
shot about
read -r x y < <(point about-exit)
xdotool mousemove --sync "$x" "$y" click 1
for _ in $(seq 50); do grep -q '^about closed' "$report" && break; sleep 0.1; done
grep -q '^about closed' "$report" || fail "the exit button did not close the about box"
stop

# ---- About box without a catalogue: one warning, not a loop.
start --no-catalogue
xdotool windowfocus --sync "$main" && xdotool key F9
warning=$(timeout 10 xdotool search --sync --onlyvisible --name '^Warnung$' | head -n 1)
[ -n "$warning" ] || fail "no warning without a catalogue"
sleep 0.5
shot about-warning
xdotool windowfocus --sync "$warning" && xdotool key Return
sleep 2
shot about-after-warning
[ "$(grep -c '^warning ' "$report")" = 1 ] || fail "$(grep -c '^warning ' "$report") warnings"
xdotool search --onlyvisible --name '^Warnung$' >/dev/null && fail "the warning came back"
echo "about box without a catalogue: one warning"
about=$(xdotool search --onlyvisible --name '^Info$' | head -n 1)
[ -n "$about" ] || fail "no about box after the warning"
read -r x y < <(point about-exit)
xdotool mousemove --sync "$x" "$y" click 1
for _ in $(seq 50); do grep -q '^about closed' "$report" && break; sleep 0.1; done
grep -q '^about closed' "$report" || fail "the exit button did not close the about box"
stop
echo "app-forms-demo: every flow passed"
