#!/usr/bin/env bash
# Runs one window flow of the program on a fresh virtual X display:
#   gui_flow.sh PEXU OUTPUT_DIR   with PEXU_GUI_FLOW (the flow's name), PEXU_SOURCE_DIR and PEXU_CATALOGUE set;
#   PEXU_GUI_SCRIPT names the script that holds the flow (pexu_gui.py when unset).
# Skips (exit 77) when the X tools are missing; screenshots land in OUTPUT_DIR.
set -uo pipefail
for tool in xdotool xwininfo import; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is missing (scripts/setup.sh installs it)"
    exit 77
  fi
done
mkdir -p "$2"
exec bash "$(dirname "$0")/../tools/on_x11.sh" 1024x768x24 "${PEXU_PYTHON3:-python3}" \
  "$(dirname "$0")/${PEXU_GUI_SCRIPT:-pexu_gui.py}" "$PEXU_GUI_FLOW" "$1" "$2"
