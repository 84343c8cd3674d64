#!/usr/bin/env bash
# Runs the built programs once each, as a person would see them.
set -uo pipefail
cd "$(dirname "$0")/.."
. tests/lib/wine.sh
wine_group demo
trap wine_stop_group EXIT
echo "== rainbanner (native)"
build/native/bin/rainbanner
echo "== rainbanner.exe (Wine, 32-bit)"
/usr/lib/wine/wine "$(wine_path "$PWD/build/mingw-x86/bin/rainbanner.exe")" </dev/null
for extra in scripts/demo.d/*.sh; do
  [ -e "$extra" ] && . "$extra"
done
exit 0
