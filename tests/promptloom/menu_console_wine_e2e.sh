#!/usr/bin/env bash
# The single-choice menu in a real (Wine) console through promptloom.dll: raw mode, the window
# measured with the console API, the list drawn, typed numbers and letters read as bytes, Ctrl+C
# swallowed by the control handler. Arrows, Escape and the mouse cannot reach a program under
# Wine this way (see TESTING-WINE.md); the fake-console tests cover those paths.
# Usage: menu_console_wine_e2e.sh <client program>
set -u
. "$VM_SRC/tests/lib/assert.sh"
client=$1
[ "$VM_TARGET" = x64 ] || { skip "Windows console only"; finish; }
. "$VM_SRC/tests/lib/wine.sh"
. "$VM_SRC/tests/lib/console.sh"
trap 'con_stop; wine_stop_group' EXIT
wine_group promptloom-menus-console || { skip "no Wine prefix"; finish; }
con_start
exe=$(printf %q "$(wine_path "$client")")

# Wide pane: the console counts escape bytes as cells (TESTING-WINE.md section 7).
start() { W=2000 H=20 LOADER=/usr/lib/wine/wine64 con_run_exe "$1" "$exe single"; con_wait "$1" "3. gamma" 10000; }
result() { con_wait "$1" "status=" 5000; con_settle "$1"; con_cap "$1" | grep -o 'status=.*' | head -n 1; }

start num || fail "number: the list appears"
con_settle num
check_eq "number: title and list, start item highlighted" \
  "$(printf 'Pick one\n  1. alpha\n2. beta\n  3. gamma')" "$(con_cap num | head -n 4 | sed 's/ *$//')"
con_key num C-c
con_key num -l 3
con_key num Enter
check_eq "number: Ctrl+C ignored, 3 then Enter chooses index 2" "status=0 index=2 override=unset" "$(result num)"
con_kill num

start word || fail "hidden word: the list appears"
con_key word -l QuIlL
check_eq "hidden word: the highlighted item, the override set in the process" "status=0 index=1 override=Quill" \
  "$(result word)"
con_kill word
finish
