#!/usr/bin/env bash
# The promptloom command as scripts use it: the menu drawn on the terminal while the answer is
# captured, items from a pipe while the keys come from the terminal (byte order marks, UTF-16,
# NUL bytes), the exit codes (an answer that cannot be written, a terminal that goes away),
# the history file, the cursor after a signal, and the fallbacks with no terminal at all.
# Natively in tmux; as promptloom.exe in a Wine console, with characters and Enter typed from tmux
# and other keys as console input records (tests/lib/console_driver.cc), and without a console.
# Usage: cli_e2e.sh PROGRAM
# shellcheck disable=SC2016
set -u
. "$VM_SRC/tests/lib/assert.sh" && . "$VM_SRC/tests/lib/console.sh"
cli=$1 tmp=$(mktemp -d)
trap 'con_stop; [ "$VM_TARGET" = x64 ] && wine_cleanup; rm -rf "$tmp"' EXIT
con_start || finish
# Waits for the menu's last row and for the menu to read, then sends the keys one by one.
keys() { con_wait "$1" "$2" 20000 && con_wait_reading "$1" || return 1; local s=$1; shift 2; for k; do con_key "$s" "$k"; done; }
printf 'old' >"$tmp/h" && mkfifo "$tmp/fifo"
# A pipe whose reader has gone, on descriptor 4.
(exec 5<"$tmp/fifo") & exec 4>"$tmp/fifo" && wait

if [ "$VM_TARGET" = x64 ]; then
  . "$VM_SRC/tests/lib/wine.sh" && { wine_group promptloom || finish; }
  exe=$(wine_path "$cli"); w() { wine_path "$tmp/$1"; }
  printf 'x\r\ny\r\n' >"$tmp/items"
  printf '@for /f "delims=" %%%%i in (%s) do @echo [%%%%i]>>%s\r\n' "'$exe choose a b c'" "$(w out)" \
    "'type $(w items) ^| $exe choose --index'" "$(w out)" >"$tmp/run.bat"
  W=2000 H=20 LOADER=/usr/lib/wine/wine64 con_run_exe c "cmd /c $(printf %q "$(w run.bat)")"
  keys c "3. c" 2 Enter && keys c "2. y" 2 Enter && con_wait_dead c 20000 >/dev/null
  check_file_bytes "console: for /f captures the answer, items piped in" "$tmp/out" $'[b]\r\n[2]\r\n'
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
  run=(/usr/lib/wine/wine64 "$cli") full="Disk full" broken="Pipe not connected"
  p() { wine_path "$1"; }
else
  run=(setsid -w "$cli") full="No space left on device" broken="Broken pipe"
  p() { printf %s "$1"; }
fi

# No terminal (a new session, or no console): "answer|standard error, lines joined by ;|exit status"
# with standard input from $tmp/in and standard output redirected to $1.
nt() {
  local out=$1; shift
  eval 'timeout 10 "${run[@]}" "$@" <"$tmp/in" 2>"$tmp/err"' ">$out"
  local rc=$?
  printf '%s|%s|%s' "$(cat "$tmp/out" 2>/dev/null; rm -f "$tmp/out")" "$(tr -d '\r' <"$tmp/err" | tr '\n' ';')" $rc
}
q=$(printf 'q%.0s' {1..5000})
# Name | standard input | standard output | arguments | what nt prints
while IFS='|' read -r name input out args want; do
  printf "$input" >"$tmp/in"
  # shellcheck disable=SC2086
  check_eq "no terminal: $name" "$want" "$(nt "$out" $args)"
done <<ROWS
numbered menu|2\n|$tmp/out|menu a b c|b|  1. a;  2. b;  3. c;|0
default beyond the items|\n|$tmp/out|choose --default 4 a b c||promptloom: --default 4 is beyond the last item (3);|2
unknown command|\n|$tmp/out|chose a||promptloom: unknown command 'chose' (promptloom --help shows the usage);|2
--version, disk full|\n|/dev/full|--version||promptloom: cannot write the answer: $full;|2
menu, disk full|2\n|/dev/full|menu a b c||  1. a;  2. b;  3. c;promptloom: cannot write the answer: $full;|2
choose, disk full|2\n|/dev/full|choose a b c||  1. a;  2. b;  3. c;promptloom: cannot write the answer: $full;|2
pick, disk full|1\n|/dev/full|pick a b||  1. a;  2. b;选择（以逗号分隔索引）: promptloom: cannot write the answer: $full;|2
input, disk full|x\n|/dev/full|input||VLM> promptloom: cannot write the answer: $full;|2
standard output closed|2\n|&-|choose a b c||promptloom: standard output is closed: there is nowhere to answer;|2
reader gone|\n|&4|--help||promptloom: cannot write the answer: $broken;|2
history on a device|x\n|$tmp/out|input --history $(p /dev/zero)||promptloom: --history $(p /dev/zero): not a regular file;|2
history on a FIFO|x\n|$tmp/out|input --history $(p "$tmp/fifo")||promptloom: --history $(p "$tmp/fifo"): not a regular file;|2
history on a directory|x\n|$tmp/out|input --history $(p "$tmp")||promptloom: --history $(p "$tmp"): not a regular file;|2
history without a last line end|new\n|$tmp/out|input --history $(p "$tmp/h")|new|VLM> |0
byte order mark before the line|\357\273\277new\n|$tmp/out|input|new|VLM> |0
line of 5000 bytes|$q\n|$tmp/out|input|$q|VLM> |0
items after a UTF-8 byte order mark|\357\273\277apple\npear\n|$tmp/out|menu||  1. apple;  2. pear;|1
items in UTF-16LE|\377\376a\0\r\0\n\0\055\116\r\0\n\0|$tmp/out|menu||  1. a;  2. 中;|1
items in UTF-16BE, a surrogate pair|\376\377\330\075\336\000\0\n\0b|$tmp/out|menu||  1. 😀;  2. b;|1
ROWS
check_file_bytes "no terminal: every history entry whole" "$tmp/h" 'old\nnew\n'
[ "$VM_TARGET" = x64 ] && finish
chmod 600 "$tmp/h" && run=(setsid -w setpriv --reuid=65534 --regid=65534 --clear-groups "$cli")
check_eq "no terminal: history another user's" "x|promptloom: cannot read $tmp/h: Permission denied;VLM> promptloom: cannot append to $tmp/h: Permission denied;|0" \
  "$(printf 'x\n' >"$tmp/in"; nt "$tmp/out" input --history "$tmp/h")"

printf 'a\0b\0c\nd\n' >"$tmp/nul"
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
nul#x=\$($cli pick <$tmp/nul | paste -sd,); echo "[\$x]"#确定#Space Down Space End Enter#[a,d]
ROWS

# A terminal that hangs up, or refuses raw mode (an orphaned process group), fails the menu.
con_run hup "sh -c 'trap \"\" HUP; $cli choose a b c 2>$tmp/hup.err; echo \$? >$tmp/hup.rc'"
con_wait hup "3. c" && con_kill hup
con_run raw "sh -c 'set -m; ( ($cli choose a b c 2>$tmp/raw.err; echo \$? >$tmp/raw.rc) & ); exec tail -f /dev/null'"
for t in hup raw; do
  for _ in $(seq 200); do [ -s "$tmp/$t.rc" ] && break; sleep 0.05; done
  check_eq "terminal: $t" "2|promptloom: the terminal hung up or refused raw mode" "$(cat "$tmp/$t.rc")|$(cat "$tmp/$t.err")"
done

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
