# Sourced by the Xvfb checks of the window demos, with the check's own arguments DEMO OUTPUT_DIR after two of its own:
#   source x11_demo.sh SCREEN "TOOL..." "$@"
# Off the display it skips the check (exit 77) when a tool is missing, makes OUTPUT_DIR and runs the check again
# under xvfb-run on a screen of SCREEN (WIDTHxHEIGHTxDEPTH). On the display it sets up what the demos run with: the
# X platform plugin, the default style and a runtime folder of their own, removed at the end.
x11_screen=$1
x11_tools=$2
shift 2
if [ "${3:-}" != "--on-display" ]; then
  for tool in xvfb-run $x11_tools; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIPPED: $tool is missing (scripts/setup.sh installs it)"
      exit 77
    fi
  done
  mkdir -p "$2"
  exec xvfb-run -a -s "-screen 0 $x11_screen" bash "$0" "$1" "$2" --on-display
fi

export QT_QPA_PLATFORM=xcb
# The X keyboard library copies a bounded, unterminated name with strndup, which strict string checks take for an
# overflow; the check stays on for everything else.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
unset QT_STYLE_OVERRIDE
# No session bus here: without an address the accessibility bridge starts one by forking the threaded, sanitized
# process, and such a child can hang on a lock another thread held; with this one the connection fails at once.
export DBUS_SESSION_BUS_ADDRESS=disabled:
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
