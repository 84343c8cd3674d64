#!/usr/bin/env bash
# The main job: set up the machine, build every deliverable (native, 32-bit and 64-bit Windows)
# and show them working: the banner natively and under Wine, and what the later components add.
# Where 32-bit programs cannot run, the 32-bit programs are also built for x86-64, for the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. tests/lib/wineprefix.sh
presets=(native mingw-x86 mingw-x64)
vm_ia32_missing_reason >/dev/null && presets+=(mingw-x86-on-x64)
for preset in "${presets[@]}"; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done
scripts/demo.sh
