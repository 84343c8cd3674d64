#!/usr/bin/env bash
# Every shipped Windows binary carries its runtime inside: its import table may name only DLLs
# that every Windows has. A posix-flavour mingw link without -static would add libwinpthread-1.dll.
set -u
. "$VM_SRC/tests/lib/assert.sh"
case "$VM_TARGET" in
  x86) objdump=i686-w64-mingw32-objdump; want_machine=i386 ;;
  x64) objdump=x86_64-w64-mingw32-objdump; want_machine=x86-64 ;;
esac
system='^(KERNEL32|USER32|ADVAPI32|msvcrt|ucrtbase|VERSION|api-ms-win-crt-[a-z0-9-]+)\.dll$'
found=0
for bin in "$VM_BIN"/*.exe "$VM_BIN"/*.dll; do
  [ -e "$bin" ] || continue
  found=$((found + 1))
  name=$(basename "$bin")
  dlls=$("$objdump" -p "$bin" | awk '/DLL Name:/ {print $3}' | sort -u)
  # A program may also use promptloom.dll, which ships beside it (the demo is such a caller).
  own='^$'; case "$name" in *.exe) own='^promptloom\.dll$' ;; esac
  bad=$(printf '%s\n' "$dlls" | grep -Eiv "$system" | grep -Eiv "$own" | grep -v '^$' || true)
  check_eq "$name imports only system DLLs ($(echo $dlls))" "" "$bad"
  check_contains "$name is built for $want_machine" "$("$objdump" -f "$bin")" "file format pei-$want_machine"
done
[ "$found" -gt 0 ] && pass "found $found Windows binaries" || fail "no Windows binaries in $VM_BIN"
finish
