#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs each, or those whose names contain the first argument;
# further arguments go to every benchmark binary (e.g. --benchmark_repetitions=5).
# Results are records for bench/README.md, never pass/fail limits.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native-bench >/dev/null
cmake --build --preset native-bench -j "$(nproc)" >/dev/null
filter=${1:-}
[ $# -gt 0 ] && shift
for b in build/native-bench/bin/bench_*; do
  [[ $b == *"$filter"* ]] || continue
  echo "== ${b##*/}"
  "$b" "$@"
done
