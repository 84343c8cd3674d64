#!/usr/bin/env bash
# Runs every test: unit tests natively, under ASan/UBSan and cross-built under Wine (32- and
# 64-bit), the end-to-end tests in Wine and tmux, and short fuzz runs. Sets the machine up first.
# On a machine that runs no 32-bit code (or with VM_NO_IA32=1) the 32-bit tree's tests are
# reported as skipped and the same programs, built for x86-64, run them instead.
# Ends with one summary line: "N passed, N failed, N skipped".
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
. tests/lib/wineprefix.sh
presets=(native native-asan mingw-x86 mingw-x64 native-fuzz)
if no_ia32=$(vm_ia32_missing_reason); then
  echo "== $no_ia32: the 32-bit tree's tests are reported as skipped;"
  echo "   its programs are tested as 64-bit builds of the same sources instead (mingw-x86-on-x64)"
  presets=(native native-asan mingw-x86 mingw-x86-on-x64 mingw-x64 native-fuzz)
fi
[ -n "${VM_PRESETS:-}" ] && read -ra presets <<<"$VM_PRESETS"
passed=0 failed=0 skipped=0 broken=()
echo "== format"
if scripts/check-format.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
for preset in "${presets[@]}"; do
  echo "== $preset"
  if ! cmake --preset "$preset" >"/tmp/velmora-configure-$preset.log" 2>&1; then
    cat "/tmp/velmora-configure-$preset.log"; broken+=("$preset: configure"); continue
  fi
  targets=()
  # Tests that cannot run here need not be built: the 32-bit tree then makes its programs only.
  [ "$preset" = mingw-x86 ] && [ -n "${no_ia32:-}" ] && targets=(--target frostpane rainbanner plm_layout_check)
  if ! cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}" >"/tmp/velmora-build-$preset.log" 2>&1; then
    tail -n 60 "/tmp/velmora-build-$preset.log"; broken+=("$preset: build"); continue
  fi
  log=/tmp/velmora-ctest-$preset.log
  ctest --preset "$preset" --no-tests=ignore 2>&1 | tee "$log"
  p=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -n "$p" ]; then
    # ctest counts a skipped test as not failed; it lists it with "(Skipped)".
    f=${p%% *} total=${p##* } s=$(grep -c '^[[:space:]]*[0-9]* - .* (Skipped)$' "$log")
    passed=$((passed + total - f - s)); failed=$((failed + f)); skipped=$((skipped + s))
    [ "$s" -gt 0 ] && echo "skipped in $preset: $s tests (${no_ia32:-see their output})"
  fi
done
# The benchmarks are built, not run (their numbers are records, not checks): a change to an
# interface they stand in for must not leave them behind unnoticed.
echo "== native-bench (built only)"
if cmake --preset native-bench >/tmp/velmora-configure-native-bench.log 2>&1 &&
  cmake --build --preset native-bench -j "$(nproc)" >/tmp/velmora-build-native-bench.log 2>&1; then
  passed=$((passed + 1))
else
  tail -n 60 /tmp/velmora-build-native-bench.log; broken+=("native-bench: build")
fi
# The Windows release archive, built from the mingw trees above and checked as a user gets it.
if [ "${VM_RELEASE_CHECK:-1}" = 1 ]; then
  echo "== release archive"
  if zip=$(scripts/release.sh 2>/tmp/velmora-release.log | tail -n 1) && [ -f "$zip" ]; then
    log=/tmp/velmora-release-check.log
    bash tests/release/windows_release.sh "$zip" 2>&1 | tee "$log"
    r=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
    if [ -n "$r" ]; then
      set -- $r; passed=$((passed + $1)); failed=$((failed + $3))
    else
      broken+=("release: check")
    fi
  else
    cat /tmp/velmora-release.log; broken+=("release: archive")
  fi
fi
for b in "${broken[@]}"; do echo "broken: $b"; failed=$((failed + 1)); done
echo "totals over ${#presets[@]} build trees and the release archive:"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
