#!/usr/bin/env bash
# Builds optimised with the benchmarks and runs each one. A benchmark named "<name>/ours" is compared with every
# "<name>/<peer>" of the same program; one line "RATIO <name>/<peer> <our time / peer time>" ends the output per pair.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPEXU_TESTS=OFF -DPEXU_TEST_HOOKS=OFF -DPEXU_BENCH=ON >/dev/null
cmake --build "$build" -j "${PEXU_JOBS:-$(nproc)}"

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for bin in "$build"/bin/bench_*; do
  [ -x "$bin" ] || continue
  echo "== $(basename "$bin")"
  "$bin" --benchmark_format=console --benchmark_out="$results.part" --benchmark_out_format=csv
  grep '^"' "$results.part" >>"$results" || true
  rm -f "$results.part"
done

# CSV rows: "name",iterations,real_time,cpu_time,time_unit,...; names may carry "/real_time" style suffixes.
awk -F, '
  { name = $1; gsub(/"/, "", name); sub(/\/(real_time|process_time|manual_time)$/, "", name);
    n = split(name, p, "/"); if (n < 2) next;
    key = p[1]; for (i = 2; i < n; i++) key = key "/" p[i];
    t[key "|" p[n]] = $3; if (!(key in seen)) { seen[key] = 1; order[++k] = key }
    peers[key] = peers[key] " " p[n] }
  END {
    for (i = 1; i <= k; i++) { key = order[i]; if (!((key "|ours") in t)) continue;
      m = split(peers[key], list, " ");
      for (j = 1; j <= m; j++) if (list[j] != "ours" && t[key "|" list[j]] > 0)
        printf "RATIO %s/%s %.3f\n", key, list[j], t[key "|ours"] / t[key "|" list[j]] } }' "$results"
