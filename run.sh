#!/usr/bin/env bash
# Builds Pexu optimised into build/release, stages the portable program folder build/release/dist and starts it.
# Without a display it says so and ends with exit code 1.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh

build=build/release
# The window-test hooks never go into the program a user runs.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPEXU_TESTS=OFF -DPEXU_TEST_HOOKS=OFF >/dev/null
cmake --build "$build" -j "${PEXU_JOBS:-$(nproc)}"
# The folder is portable (a Pexu.ini with Portable=1 beside the program): it also holds the learner's settings, log
# and pages, so it is updated, never wiped, and a settings file that is already there stays as it is.
stage="$build/stage"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null
mkdir -p "$build/dist"
cp -a "$stage/." "$build/dist/"
rm -rf "$stage"
[ -f "$build/dist/Pexu.ini" ] || cp resources/Pexu.ini "$build/dist/Pexu.ini"
exec "$build/dist/pexu" "$@"
