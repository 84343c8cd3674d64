#!/usr/bin/env bash
# frostpane: the settings edit of one `set` beside other tools, on the same
# generated files (1 MB and 10 MB) in one run. Medians of N runs, whole process
# for the tools, in process for frostpane (Google Benchmark) and Python's re.
#   bench/frostpane_compare.sh [runs]       (needs build/native-bench: cmake --preset native-bench)
set -euo pipefail
runs=${1:-7}
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$src/build/native-bench/bin/bench_frostpane
[ -x "$bin" ] || { echo "build bench_frostpane first (cmake --preset native-bench && cmake --build --preset native-bench)"; exit 1; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
# The interpreter itself, not a version-manager shim (those add a few hundred ms per start).
python=$(python3 -c 'import sys; print(sys.executable)')

median_ms() {  # median_ms CMD... : whole-process wall time in ms
  local times=() t0 t1
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}

cat >"$tmp/passes.py" <<'PY'
import re, sys, time
text = open(sys.argv[1], "rb").read()
t0 = time.perf_counter()
for p in [rb',\s*"opacity":\s*\d+', rb'"opacity":\s*\d+,\s*', rb'"opacity":\s*\d+',
          rb',\s*"useAcrylic":\s*(true|false)', rb'"useAcrylic":\s*(true|false),\s*', rb'"useAcrylic":\s*(true|false)',
          rb',\s*"acrylicOpacity":\s*[0-9.]+', rb'"acrylicOpacity":\s*[0-9.]+,\s*', rb'"acrylicOpacity":\s*[0-9.]+']:
    text = re.sub(p, b"", text)
text = re.sub(rb'"profiles":\s*\{\s*"defaults":\s*\{', lambda m: m.group(0) + b' "useAcrylic": true, "acrylicOpacity": 0.6, ', text)
text = re.sub(rb',\s*\}', b"}", text)
text = re.sub(rb',\s*,', b",", text)
t1 = time.perf_counter()
open(sys.argv[2], "wb").write(text)
print("%.1f" % ((t1 - t0) * 1000))
PY

printf '| size | cat > file | jq . | python re (process) | python re (in process) | frostpane edit (in process) |\n'
printf '|---|---|---|---|---|---|\n'
for size in 1048576 10485760; do
  f=$tmp/settings-$size.json
  "$bin" --write-sample "$f" "$size"
  cat_ms=$(median_ms sh -c "cat '$f' > '$tmp/out'")
  # jq rejects comments: it gets the same file with its comment lines taken out
  grep -v '^ *//' "$f" >"$f.plain"
  jq_ms=$(median_ms sh -c "jq . '$f.plain' > '$tmp/out'")
  py_ms=$(median_ms "$python" "$tmp/passes.py" "$f" "$tmp/out")
  py_in=$(for _ in $(seq "$runs"); do "$python" "$tmp/passes.py" "$f" "$tmp/out"; done | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  ours=$("$bin" --benchmark_filter="^edit/$size\$" --benchmark_format=csv 2>/dev/null |
         awk -F, '/^"edit/ {printf "%.2f ms wall, %.2f ms CPU (%.0f MB/s)", $3, $4, $6/1048576}')
  printf '| %s MB | %s ms | %s ms (comments removed first) | %s ms | %s ms | %s |\n' $((size / 1048576)) "$cat_ms" "$jq_ms" "$py_ms" "$py_in" "$ours"
done
