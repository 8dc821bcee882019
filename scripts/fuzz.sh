#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and the sanitizers into build/fuzz and runs each for a while.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]     (default: 60 seconds, every target)
# Each target starts from a copy of its saved inputs in tests/data/fuzz/<target>/; findings land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

seconds=${1:-60}
shift || true
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DPEXU_SANITIZE=ON -DPEXU_FUZZ=ON -DPEXU_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find fuzz -mindepth 2 -name CMakeLists.txt -exec grep -ho 'pexu_fuzz([A-Za-z0-9_]*' {} + |
    sed 's/pexu_fuzz(//' | sort)
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# The system libraries' known leaks (the font library's, the window toolkit's) are suppressed as for the tests, so
# that a leak found is one of ours.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  [ -d "tests/data/fuzz/$t" ] && cp -r "tests/data/fuzz/$t/." "$corpus/"
  echo "== $t for ${seconds}s"
  (cd "$build" && "./bin/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "corpus/$t") || status=1
done
exit $status
