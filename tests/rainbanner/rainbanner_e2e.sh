#!/usr/bin/env bash
# The real banner program (natively, or rainbanner.exe under Wine): plain bytes when redirected
# or when colour is refused, 24-bit colours on a terminal, under Wine the console colours read back.
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/console.sh"
expected=$VM_SRC/tests/rainbanner/expected_plain.txt
tmp=$(mktemp -d)
trap 'con_stop; [ "$VM_TARGET" = native ] || wine_cleanup; rm -rf "$tmp"' EXIT
if [ "$VM_TARGET" = native ]; then
  run=("$VM_BIN/rainbanner")
else
  . "$VM_SRC/tests/lib/wine.sh"
  wine_group rainbanner || finish
  run=("$VM_WINE" "$(wine_path "$VM_BIN/rainbanner.exe")")
fi

: >"$tmp/empty"
"${run[@]}" ignored arguments <"$tmp/empty" 2>"$tmp/err" | cat >"$tmp/out"
check_eq "redirected: exit 0, nothing on standard error" "0 0" "${PIPESTATUS[0]} $(wc -c <"$tmp/err")"
check_file_eq "redirected: the plain banner plus one line feed" "$expected" "$tmp/out"

# One pane: the banner, then with NO_COLOR (and natively with TERM=dumb). Wine's console counts
# escape bytes as cells, so the pane is wide enough for a whole coloured row.
con_start || finish
cmd="$(printf '%q ' "${run[@]}"); echo REFUSED; NO_COLOR=1 $(printf '%q ' "${run[@]}")"
[ "$VM_TARGET" = native ] && cmd+="; TERM=dumb $(printf '%q ' "${run[@]}")"
W=2000 H=24 con_run banner "$cmd; echo DONE"
if con_wait banner DONE 30000; then
  screen=$(con_cap_e banner)
  check_contains "terminal: the first two characters in the colours of indices 0 and 1" "${screen%%REFUSED*}" \
    $'\e[38;2;128;243;31m_\e[38;2;143;236;22m_'
  check_not_contains "terminal: no colour once refused" "${screen#*REFUSED}" $'\e[38;2;'
  rows=$(con_cap banner | sed -n '/REFUSED/,$p' | grep -cF '\ \/ /  / _ \| ||')
  check_eq "terminal: the refused banners show their rows" "$([ "$VM_TARGET" = native ] && echo 2 || echo 1)" "$rows"
else
  fail "terminal: program did not finish" "$(con_cap banner)"
fi
[ "$VM_TARGET" = native ] && finish

# The console driver reads each character's attribute back: with VT output off, its palette colour.
WINE_ENV=(VLM_FORCE_CONSOLE_OUTPUT=1) && wine_run "$VM_BIN/console_driver.exe" --size 50x6 exit attrs=21-25 -- "${run[1]}"
check_eq "console driver: VT output off, the palette's colours" "exit 0, modes kept
4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 7 7
3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 7 7
4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 7 7
2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 7 7
5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 6 e 2 a 3 b 1 9 5 d 4 6 4 c 7 7" \
  "$(cat "$WINE_OUT")"
for env in VLM_FORCE_CONSOLE_OUTPUT=0 NO_COLOR=1; do WINE_ENV=("$env") && wine_run "$VM_BIN/console_driver.exe" exit \
  -- "${run[1]}" && check_eq "console driver: $env, the modes as they were" "exit 0, modes kept" "$(cat "$WINE_OUT")"; done
finish
