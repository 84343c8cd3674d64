#!/usr/bin/env bash
# The main job: set up the machine, build every deliverable (native, 32-bit and 64-bit Windows)
# and show them working: the banner natively and under Wine, and what the later components add.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in native mingw-x86 mingw-x64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done
scripts/demo.sh
