#!/usr/bin/env bash
# The promptloom command as scripts use it: the menu drawn on the terminal while the answer is
# captured, items from a pipe while the keys come from the terminal, the exit codes, and the
# fallback with no terminal at all. Natively in tmux; as promptloom.exe in a Wine console, where
# only typed characters and Enter reach the menus (Wine passes no arrow or Escape bytes).
# Usage: cli_e2e.sh PROGRAM
# shellcheck disable=SC2016
set -u
. "$VM_SRC/tests/lib/assert.sh" && . "$VM_SRC/tests/lib/console.sh"
cli=$1 tmp=$(mktemp -d)
trap 'con_stop; [ "$VM_TARGET" = x64 ] && wine_cleanup; rm -rf "$tmp"' EXIT
con_start || finish
# Waits for the menu's last row and for the menu to read, then sends the keys one by one.
keys() { con_wait "$1" "$2" 20000 && con_wait_reading "$1" || return 1; local s=$1; shift 2; for k; do con_key "$s" "$k"; done; }

if [ "$VM_TARGET" = x64 ]; then
  . "$VM_SRC/tests/lib/wine.sh" && { wine_group promptloom || finish; }
  exe=$(wine_path "$cli"); w() { wine_path "$tmp/$1"; }
  printf 'x\r\ny\r\n' >"$tmp/items"
  printf '@for /f "delims=" %%%%i in (%s) do @echo [%%%%i]>>%s\r\n' "'$exe choose a b c'" "$(w out)" \
    "'type $(w items) ^| $exe choose --index'" "$(w out)" >"$tmp/run.bat"
  W=2000 H=20 LOADER=/usr/lib/wine/wine64 con_run_exe c "cmd /c $(printf %q "$(w run.bat)")"
  keys c "3. c" 2 Enter && keys c "2. y" 2 Enter && con_wait_dead c 20000 >/dev/null
  check_file_bytes "console: for /f captures the answer, items piped in" "$tmp/out" $'[b]\r\n[2]\r\n'
  printf '2\r\n' >"$tmp/in" && WINE_STDIN=$tmp/in wine64_run "$cli" menu a b c
  check_eq "no console: the numbered menu's fallback" $'b\n|0' "$(cat "$WINE_OUT"; echo "|$WINE_RC")"

  # Keys as console input records (tests/lib/console_driver.cc). Name # keys # arguments # report # output
  while IFS='#' read -r name keys args report answer; do
    # shellcheck disable=SC2086
    wine64_run "$VM_BIN/console_driver.exe" reading $keys exit -- cmd /c "$exe $args > $(w answer)"
    check_eq "console driver: $name" "$report" "$(cat "$WINE_OUT")"
    check_file_bytes "console driver: $name, standard output" "$tmp/answer" "$answer"
  done <<'ROWS'
choose, Down and Enter#key=Down key=Enter#choose a b c#exit 0, modes kept#b\n
pick, Space, End and Enter#key=Space key=End key=Enter#pick x y#exit 0, modes kept#x\n
choose, Escape#key=Escape#choose a b c#exit 1, modes kept#
ROWS
  finish
fi

# Name # command run in a pane # the menu's last row # keys then # what the command wrote
while IFS='#' read -r name cmd last keys want; do
  con_run "$name" "sh -c '$cmd >$tmp/$name 2>&1'"
  # shellcheck disable=SC2086
  keys "$name" "$last" $keys && con_wait_dead "$name" 10000 >/dev/null
  check_eq "terminal: $name" "$want" "$(cat "$tmp/$name")"
done <<ROWS
choose#x=\$($cli choose a b c); echo "[\$x] \$?"#3. c#Down Enter#[b] 0
pick#x=\$(printf "x\\\\ny\\\\n" | $cli pick --title T); echo "[\$x] \$?"#确定#Space End Enter#[x] 0
escape#x=\$($cli choose a b c); echo "[\$x] \$?"#3. c#Escape#[] 1
ROWS

# No terminal (a new session): plain-text fallbacks, usage errors, the history file.
nt() { printf "$1" | setsid -w "$cli" "${@:2}" 2>"$tmp/err"; echo "|$?|$(grep -o 'promptloom: [^(]*' "$tmp/err" | tr '\n' ';')"; }
mkdir "$tmp/dir" && printf 'old\n' >"$tmp/h"
check_eq "no terminal: fallback, usage, history" "b
|0|
|2|promptloom: --default 4 is beyond the last item ;
|2|promptloom: unknown command 'chose' ;
new
|0|
old
new
new
|0|promptloom: cannot read $tmp/dir: Is a directory;promptloom: cannot append to $tmp/dir: Is a directory;" \
  "$(nt '2\n' menu a b c; nt '' choose --default 4 a b c; nt '' chose a; nt 'new\n' input --history "$tmp/h"
    cat "$tmp/h"; nt 'new\n' input --history "$tmp/dir")"
finish
