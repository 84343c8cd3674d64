#!/usr/bin/env bash
# The promptloom command as scripts use it: the menu drawn on the terminal while the answer is
# captured, items from a pipe while the keys come from the terminal (byte order marks, UTF-16,
# NUL bytes), the exit codes, and the fallback with no terminal at all. Natively in tmux; as
# promptloom.exe in a Wine console, where only typed characters and Enter reach the menus (Wine
# passes no arrow or Escape bytes).
# Usage: cli_e2e.sh PROGRAM
# shellcheck disable=SC2016
set -u
. "$VM_SRC/tests/lib/assert.sh" && . "$VM_SRC/tests/lib/console.sh"
cli=$1 tmp=$(mktemp -d)
trap 'con_stop; [ "$VM_TARGET" = x64 ] && wine_stop_group; rm -rf "$tmp"' EXIT
con_start
# Waits for the menu's last row, then sends the keys one by one.
keys() { con_wait "$1" "$2" 20000 && con_settle "$1" && sleep 0.3; local s=$1; shift 2; for k; do con_key "$s" "$k"; done; }

if [ "$VM_TARGET" = x64 ]; then
  . "$VM_SRC/tests/lib/wine.sh" && { wine_group promptloom || exit 1; }
  exe=$(wine_path "$cli"); w() { wine_path "$tmp/$1"; }
  printf 'x\r\ny\r\n' >"$tmp/items"
  printf '@for /f "delims=" %%%%i in (%s) do @echo [%%%%i]>>%s\r\n' "'$exe choose a b c'" "$(w out)" \
    "'type $(w items) ^| $exe choose --index'" "$(w out)" >"$tmp/run.bat"
  W=2000 H=20 LOADER=/usr/lib/wine/wine64 con_run_exe c "cmd /c $(printf %q "$(w run.bat)")"
  keys c "3. c" 2 Enter && keys c "2. y" 2 Enter && con_wait_dead c 20000 >/dev/null
  check_file_bytes "console: for /f captures the answer, items piped in" "$tmp/out" $'[b]\r\n[2]\r\n'
  printf '2\r\n' >"$tmp/in" && WINE_STDIN=$tmp/in wine64_run "$cli" menu a b c
  check_eq "no console: the numbered menu's fallback" $'b\n|0' "$(cat "$WINE_OUT"; echo "|$WINE_RC")"
  finish
fi

printf '\357\273\277apple\npear\n' >"$tmp/bom" && printf 'a\0b\0c\nd\n' >"$tmp/nul"
printf '\377\376a\0\r\0\n\0\055\116\r\0\n\0' >"$tmp/le" && printf '\376\377\330\075\336\000\0\n\0b' >"$tmp/be"
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
bom#x=\$($cli choose <$tmp/bom); echo "[\$x] \$?"#2. pear#Enter#[apple] 0
utf16le#x=\$($cli choose <$tmp/le); echo "[\$x] \$?"#2. 中#Down Enter#[中] 0
utf16be#x=\$($cli choose <$tmp/be); echo "[\$x] \$?"#2. b#Enter#[😀] 0
nul#x=\$($cli pick <$tmp/nul | paste -sd,); echo "[\$x]"#确定#Space Down Space End Enter#[a,d]
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

# What the shell prints after kill -TERM, and the answer after a stop (the shell's words below
# the menu, which is drawn again below them), start in column 1 below the menu.
below() { con_cap "$1" | awk '/3\. c/ { n = NR } { row[NR] = $0 } END { print row[n + 1] }'; }
child() { pgrep -P "$(T display -p -t "$1" '#{pane_pid}')"; }
con_run term "sh -c '$cli choose a b c; echo [\$?]'"
keys term "3. c" && kill -TERM "$(child term)" && con_wait_dead term >/dev/null
check_eq "terminal: kill -TERM" "Terminated" "$(below term)"
con_run stop "sh -c 'x=\$($cli choose a b c); echo [\$x]'"
keys stop "3. c" && pid=$(child stop) && kill -STOP "$pid"  # the pane's group is orphaned: a TSTP would be dropped
for _ in $(seq 100); do grep -q '^State:.*stopped' "/proc/$pid/status" && break; sleep 0.02; done
printf '\nStopped\n' >"$(T display -p -t stop '#{pane_tty}')" && kill -CONT "$pid"
con_settle stop && con_key stop Enter && con_wait_dead stop >/dev/null
check_eq "terminal: stopped and continued" "[a]" "$(below stop)"

# With no terminal on standard input the fallbacks show titles and items on a terminal as the
# menus do, instead of letting it obey them.
cat >"$tmp/shown.sh" <<EOF
printf '1\n' | setsid -w $cli menu --title "\$(printf 'T\033[2J')" a "\$(printf 'b\033]0;x\007')"
printf '1\n' | setsid -w $cli pick --title "\$(printf 'T\033[2J')" a
EOF
con_run shown "sh $tmp/shown.sh" && con_wait_dead shown >/dev/null
check_eq "terminal: the fallbacks' text shown" 'T^[[2J
  1. a
  2. b^[]0;x^G
a
T^[[2J
  1. a
选择（以逗号分隔索引）: a' "$(con_cap shown | sed '/^$/d')"
finish
