#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build/test and runs every test
# headless. Ends with a line "N passed, M failed"; exits non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh || { echo "setup failed"; exit 1; }

build=build/test
mkdir -p build
jobs=${PEXU_JOBS:-$(nproc)}  # PEXU_JOBS caps the parallel jobs on a shared machine
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" -DCMAKE_C_FLAGS="-O1 -g" \
  -DPEXU_SANITIZE=ON -DPEXU_TESTS=ON >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; echo "0 passed, 1 failed"; exit 1; }
cmake --build "$build" -j "$jobs" || { echo "0 passed, 1 failed"; exit 1; }

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

passed=0
failed=0

# Every source file follows .clang-format.
format_bad=$(find platform zip gif engine viewer components app tests bench fuzz \
  \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null |
  xargs -0 -r clang-format --dry-run --Werror 2>&1 | grep -o '^[^:]*\.\(cpp\|h\):' | sort -u)
if [ -n "$format_bad" ]; then
  echo "clang-format would change:"; echo "$format_bad"
  failed=$((failed + 1))
else
  passed=$((passed + 1))
fi

rm -rf "$build/test-results"
mkdir -p "$build/test-results"
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 900 | tee "$build/ctest.log"

# Count GoogleTest cases from each binary's XML; a test without XML (a crash, a fuzz replay) counts once by its
# CTest result.
while read -r name status; do
  xml="$build/test-results/$name.xml"
  if [ -f "$xml" ]; then
    header=$(grep -m1 '<testsuites' "$xml")
    tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$header")
    fails=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$header")
    errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$header")
    disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$header")
    skipped=$(grep -c '<skipped' "$xml")
    bad=$((fails + errors))
    passed=$((passed + tests - bad - disabled - skipped))
    failed=$((failed + bad))
    if [ "$status" != "Passed" ] && [ "$bad" -eq 0 ]; then failed=$((failed + 1)); fi
  elif [ "$status" = "Passed" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done < <(sed -n 's/.*Test *#[0-9]*: \([^ ]*\) \.*[* ]*\([A-Za-z]*\).*/\1 \2/p' "$build/ctest.log")

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
