#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and the sanitizers into build/fuzz and runs each for a while.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]     (default: 60 seconds, every target the build defines)
# Each target starts from a copy of its saved inputs in tests/data/fuzz/<target>/; findings land in build/fuzz/.
# Exit status: 0 no finding, 1 a target found something (its name is printed at the end), 2 nothing could be run.
# PEXU_JOBS caps the parallel build jobs on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || { echo "setup failed"; exit 2; }

seconds=${1:-60}
shift || true
build=build/fuzz
jobs=${PEXU_JOBS:-$(nproc)}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DPEXU_SANITIZE=ON -DPEXU_FUZZ=ON -DPEXU_TESTS=OFF >/dev/null || { echo "configuring $build failed"; exit 2; }
# The build lists every target it defines, so that none is left out of a full run.
mapfile -t known < "$build/fuzz-targets.txt"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=("${known[@]}")
fi
declare -A defined=()
for k in "${known[@]}"; do defined[$k]=1; done
for t in "${targets[@]}"; do
  if [ -z "${defined[$t]:-}" ]; then
    echo "no fuzz target \"$t\"; the targets are: ${known[*]}"
    exit 2
  fi
done
cmake --build "$build" -j "$jobs" --target "${targets[@]}" || { echo "building the fuzz targets failed"; exit 2; }

# The system libraries' known leaks (the font library's, the window toolkit's) are suppressed as for the tests, so
# that a leak found is one of ours.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
found=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  [ -d "tests/data/fuzz/$t" ] && cp -r "tests/data/fuzz/$t/." "$corpus/"
  echo "== $t for ${seconds}s"
  (cd "$build" && "./bin/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "corpus/$t") || found+=("$t")
done
if [ ${#found[@]} -gt 0 ]; then
  echo "findings in: ${found[*]}"
  exit 1
fi
echo "no findings"
