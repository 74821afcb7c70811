#!/usr/bin/env bash
# Builds the benchmarks with -O2 and runs them all; each reports our times beside SQLite's.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
      -DSKLAD_BUILD_BENCHMARKS=ON
cmake --build "$build" -j "$(nproc)"

for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@"
done
