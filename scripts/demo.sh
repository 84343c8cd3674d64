#!/usr/bin/env bash
# Runs the built programs once each, as a person would see them. Any step that fails ends the
# demo with its exit code. Where 32-bit programs cannot run, the Windows programs shown are the
# x86-64 builds of the same sources (build/mingw-x86-on-x64), and the first line says so.
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/lib/wine.sh
. scripts/x86-programs.sh
[ -n "$X86_NOTE" ] && echo "== $X86_NOTE: the demo runs the 64-bit builds of rainbanner.exe and frostpane.exe"
trap wine_cleanup EXIT
wine_group demo
echo "== rainbanner (native)"
build/native/bin/rainbanner
echo "== rainbanner.exe (Wine, $X86_BIN)"
"$X86_WINE" "$(wine_path "$PWD/$X86_BIN/rainbanner.exe")" </dev/null
for extra in scripts/demo.d/*.sh; do
  [ -e "$extra" ] && . "$extra"
done
