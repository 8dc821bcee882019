#!/usr/bin/env bash
# Builds Pexu optimised into build/release, stages the portable program folder build/release/dist and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPEXU_TESTS=OFF >/dev/null
cmake --build "$build" -j "${PEXU_JOBS:-$(nproc)}"
rm -rf "$build/dist"
cmake --install "$build" --prefix "$build/dist" >/dev/null
exec "$build/dist/pexu" "$@"
