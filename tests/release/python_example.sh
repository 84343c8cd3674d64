#!/usr/bin/env bash
# The ctypes example drives the library's plain-text fallbacks with redirected input.
set -u
. "$VM_SRC/tests/lib/assert.sh"
out=$(printf '2\n1, 3\nhello there\n' | python3 "$VM_SRC/examples/python/promptloom_menu.py" "$VM_BUILD/lib/libpromptloom.so" 2>&1)
check_eq "example exits 0" 0 $?
check_contains "version string" "$out" "library: promptloom/0.2.0-draft"
check_contains "single choice: answer 2 is the second item" "$out" "single: 0 test"
check_contains "multi choice: 1 and 3 ticked" "$out" "multi: 0 build,release"
check_contains "prompt: the next line" "$out" "line: 0 hello there"
finish
