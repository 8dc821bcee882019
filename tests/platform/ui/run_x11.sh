#!/usr/bin/env bash
# Runs a test binary on a virtual X display with the X11 platform plugin.
set -uo pipefail
if ! command -v xvfb-run >/dev/null; then
  echo "SKIPPED: xvfb-run is missing (scripts/setup.sh installs it)"
  exit 77
fi
XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
export XDG_RUNTIME_DIR QT_QPA_PLATFORM=xcb
# The X keyboard library copies a bounded, unterminated name with strndup, which strict string checks take for an
# overflow; the check stays on for everything else.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
unset QT_STYLE_OVERRIDE
# No session bus here: without an address the accessibility bridge starts one by forking the threaded, sanitized
# process, and such a child can hang on a lock another thread held; with this one the connection fails at once.
export DBUS_SESSION_BUS_ADDRESS=disabled:
xvfb-run -a -s "-screen 0 1024x768x24" "$@"
