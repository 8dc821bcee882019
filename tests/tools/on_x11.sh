#!/usr/bin/env bash
# Runs a command on a virtual X server of its own with the X platform plugin, and ends with the command's exit code:
#   on_x11.sh SCREEN COMMAND [ARG...]    SCREEN: WIDTHxHEIGHTxDEPTH
# Skips (exit 77) when Xvfb is missing.
set -uo pipefail
screen=$1
shift
if ! command -v Xvfb >/dev/null; then
  echo "SKIPPED: Xvfb is missing (scripts/setup.sh installs it)"
  exit 77
fi
# The server picks a free display itself and writes its number once it takes connections (-displayfd): commands that
# start at the same moment never race for one display. It never resets (-noreset): a server whose last client left
# starts over and drops a client that connects meanwhile, as a program started just after another one ended (or
# while a tool looks for its window) would.
display_file=$(mktemp)
XDG_RUNTIME_DIR=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$display_file" "$XDG_RUNTIME_DIR"' EXIT
until grep -q . "$display_file"; do
  kill -0 "$server" 2>/dev/null || { echo "FAILED: Xvfb did not start"; exit 1; }
  sleep 0.05
done
export DISPLAY=":$(head -n 1 "$display_file")" XDG_RUNTIME_DIR QT_QPA_PLATFORM=xcb
# The X keyboard library copies a bounded, unterminated name with strndup, which strict string checks take for an
# overflow; the check stays on for everything else.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
unset QT_STYLE_OVERRIDE
# No session bus here: without an address the accessibility bridge starts one by forking the threaded, sanitized
# process, and such a child can hang on a lock another thread held; with this one the connection fails at once.
export DBUS_SESSION_BUS_ADDRESS=disabled:
"$@"
