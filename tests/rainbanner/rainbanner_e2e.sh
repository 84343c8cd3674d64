#!/usr/bin/env bash
# The real banner program: plain bytes when redirected, 24-bit colours on a terminal.
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/console.sh"
expected=$VM_SRC/tests/rainbanner/expected_plain.txt
tmp=$(mktemp -d); trap 'con_stop; [ -n "${WINEPREFIX:-}" ] && wine_stop_group; rm -rf "$tmp"' EXIT

if [ "$VM_TARGET" = native ]; then
  "$VM_BIN/rainbanner" >"$tmp/out" 2>"$tmp/err" </dev/null; rc=$?
  check_eq "native: exit code 0 when redirected" 0 "$rc"
  check_file_eq "native: redirected output is the plain banner plus one line feed" "$expected" "$tmp/out"
  check_empty_file "native: nothing on standard error" "$tmp/err"
  "$VM_BIN/rainbanner" ignored arguments | cat >"$tmp/pipe"
  check_file_eq "native: a pipe gets the same bytes, arguments ignored" "$expected" "$tmp/pipe"
  runner=("$VM_BIN/rainbanner")
else
  . "$VM_SRC/tests/lib/wine.sh"
  wine_group rainbanner
  exe=$(wine_path "$VM_BIN/rainbanner.exe")
  wine_run "$exe"
  check_eq "wine: exit code 0 when redirected" 0 "$WINE_RC"
  check_file_eq "wine: redirected output is the plain banner plus one line feed" "$expected" "$WINE_OUT"
  check_empty_file "wine: nothing on standard error" "$WINE_ERR"
  /usr/lib/wine/wine "$exe" x y </dev/null 2>/dev/null | cat >"$tmp/pipe"
  check_file_eq "wine: a pipe gets the same bytes, arguments ignored" "$expected" "$tmp/pipe"
  runner=(/usr/lib/wine/wine "$exe")
fi

# On a terminal: the colours of indices 0 and 1 on the first two characters. Wine's console
# counts escape bytes as cells, so the pane is wide enough for a whole coloured row.
con_start
W=2000 H=12 con_run banner "$(printf "%q " "${runner[@]}"); echo DONE"
if con_wait banner DONE 15000; then
  screen=$(con_cap_e banner)
  check_contains "terminal: first character in 128;243;31" "$screen" $'\e[38;2;128;243;31m_'
  check_contains "terminal: second character in 143;236;22" "$screen" $'\e[38;2;143;236;22m_'
  plain=$(con_cap banner | sed 's/ *$//' | grep -v '^$' | head -n 5)
  want=$(sed 's/ *$//' "$expected" | grep -v '^$')
  check_eq "terminal: the five rows are shown" "$want" "$plain"
else
  fail "terminal: program did not finish" "$(con_cap banner)"
fi
finish
