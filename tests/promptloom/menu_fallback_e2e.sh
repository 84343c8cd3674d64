#!/usr/bin/env bash
# The interactive menus with redirected input and output, through the real shared library loaded
# by a client program: natively, and under Wine with promptloom.dll (where the C runtime writes
# text-mode line ends and reads with its own fgets).
# Usage: menu_fallback_e2e.sh <client program> <library>
set -u
. "$VM_SRC/tests/lib/assert.sh"
client=$1
lib=$2
work=$(mktemp -d)
trap 'rm -rf "$work"; [ "$VM_TARGET" = x64 ] && wine_stop_group' EXIT

if [ "$VM_TARGET" = x64 ]; then
  . "$VM_SRC/tests/lib/wine.sh"
  wine_group promptloom-menus || { skip "no Wine prefix"; finish; }
  nl=$'\r\n'
else
  nl=$'\n'
fi

# run_client MODE INPUT_FILE: output bytes in $work/out, exit code in $rc.
run_client() {
  if [ "$VM_TARGET" = x64 ]; then
    WINE_STDIN=$2 wine64_run "$client" "$1" "$(wine_path "$lib")"
    cp "$WINE_OUT" "$work/out"
    rc=$WINE_RC
  else
    "$client" "$1" "$lib" <"$2" >"$work/out" 2>"$work/err"
    rc=$?
  fi
}

listing="Pick some${nl}  1. alpha${nl}  2. beta${nl}  3. gamma${nl}选择（以逗号分隔索引）: "
while IFS='|' read -r answer flags; do
  if [ "$answer" = EOF ]; then : >"$work/in"; status=-3; else printf '%s\n' "$answer" >"$work/in"; status=0; fi
  run_client multi "$work/in"
  check_eq "multi '$answer': exit code" 0 "$rc"
  check_eq "multi '$answer': listing, question and result" \
    "${listing}${nl}status=${status} flags=${flags}${nl}x" "$(cat "$work/out"; printf x)"
done <<'CASES'
1,3|1,0,1
0, 4, x, -1|0,0,0
EOF|0,0,0
CASES

# The single-choice menu without a terminal is the numbered menu.
printf '3\n' >"$work/in"
run_client single "$work/in"
out=$(cat "$work/out")
check_contains "single '3': the numbered menu's list" "$out" "Pick one${nl}  1. alpha${nl}  2. beta${nl}  3. gamma${nl}"
check_contains "single '3': index 2 chosen" "$out" "status=0 index=2"
: >"$work/in"
run_client single "$work/in"
check_contains "single at end of input: I/O error, index untouched" "$(cat "$work/out")" "status=-3 index=99 override=unset"
finish
