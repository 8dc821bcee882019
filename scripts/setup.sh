#!/usr/bin/env bash
# Installs the system packages that building, testing and running Pexu need. Idempotent: installs only what is
# missing and prints nothing when everything is there.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-dev clang-format
  # libraries the program links
  qt6-base-dev libqt6printsupport6 libx11-dev libxtst-dev zlib1g-dev libjpeg-dev
  # the toolkit's platform theme, which knows the desktop's menu font
  qt6-base-private-dev
  # the toolkit's own dialogs in German
  qt6-translations-l10n
  # the desktop's opener and type helper, which hand solution PDFs and links to the user's programs
  xdg-utils
  # fonts the text layer maps the classic font names to
  fonts-liberation2 fonts-dejavu-core
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth time xdotool x11-utils imagemagick
  # the generated test fonts with known glyph boxes
  python3 python3-fonttools
  # reading back what the PDF printer wrote
  poppler-utils
  # independent oracles, test-only
  zip unzip libgif-dev giflib-tools libpng-dev pngcheck liblitehtml-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
