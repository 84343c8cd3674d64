#!/usr/bin/env bash
# The shipped binaries carry a version resource that Windows shows in the file's properties.
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/wine.sh"
wine_group build-checks
trap wine_stop_group EXIT
loader=wine; [ "$VM_TARGET" = x64 ] && loader=wine64
declare -A want=([rainbanner.exe]="Velmora rainbow banner" [frostpane.exe]="Velmora console transparency"
                 [promptloom.dll]="Velmora prompt and menu library")
found=0
for bin in "${!want[@]}"; do
  [ -e "$VM_BIN/$bin" ] || continue
  found=$((found + 1))
  _wine_exec "$loader" "$(wine_path "$VM_BIN/verinfo.exe")" "$(wine_path "$VM_BIN/$bin")"
  info=$(tr -d '\r' <"$WINE_OUT")
  check_contains "$bin: product name" "$info" "ProductName=Velmora"
  check_contains "$bin: description" "$info" "FileDescription=${want[$bin]}"
  check_contains "$bin: version string" "$info" "FileVersion=0.2.0"
  check_contains "$bin: numeric version" "$info" "Fixed=0.2.0"
  check_contains "$bin: file name" "$info" "OriginalFilename=$bin"
done
[ "$found" -gt 0 ] && pass "checked $found shipped binaries" || fail "no shipped binary in $VM_BIN"
finish
