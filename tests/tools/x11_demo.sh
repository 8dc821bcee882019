# Sourced by the Xvfb checks of the window demos, with the check's own arguments DEMO OUTPUT_DIR after two of its own:
#   source x11_demo.sh SCREEN "TOOL..." "$@"
# Off the display it skips the check (exit 77) when a tool is missing, makes OUTPUT_DIR and runs the check again
# through on_x11.sh, on a virtual X server of its own with a screen of SCREEN (WIDTHxHEIGHTxDEPTH).
x11_screen=$1
x11_tools=$2
shift 2
if [ "${3:-}" != "--on-display" ]; then
  for tool in $x11_tools; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIPPED: $tool is missing (scripts/setup.sh installs it)"
      exit 77
    fi
  done
  mkdir -p "$2"
  exec bash "$(dirname "${BASH_SOURCE[0]}")/on_x11.sh" "$x11_screen" bash "$0" "$1" "$2" --on-display
fi

# Runs a check again until it passes, for at most 30 seconds: what the screen shows follows the input that caused it
# only once the program has got to it, later on a busy machine; a check waits for that, never for a fixed time.
until_shown() {
  local end=$((SECONDS + 30))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
