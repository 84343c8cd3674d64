#!/usr/bin/env bash
# The POSIX back end in a real terminal (tmux) through the demo program: each key's bytes give its
# event; a prompt and both menus driven with keys and SGR clicks, the terminal settings (stty -g)
# and mouse reporting as before each time; non-blocking input waited on; a hang-up ends with -3.
# shellcheck disable=SC2046,SC2086
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/console.sh"
tmp=$(mktemp -d)
# A demo that a fault left spinning (its arguments name $tmp) must not load the tests that follow.
trap 'con_stop; pkill -KILL -f "$tmp/"; rm -rf "$tmp"' EXIT
con_start || finish
export W=60 H=12 demo=$VM_BIN/plm_demo mouse='#{mouse_any_flag} #{mouse_sgr_flag} #{mouse_all_flag}'

# open NAME 'DEMO ARGS' TEXT [ENV...]: the demo in a shell that records the settings and stays.
open() {
  con_run "$1" "sh -c 'stty -g >$tmp/$1.0; $demo --results $tmp/$1.res $2 2>$tmp/$1.err; stty -g >$tmp/$1.1; echo DONE;
    exec sleep 600'" "${@:4}"
  con_wait "$1" "$3" 10000 && con_wait_reading "$1" && return 0
  fail "$1: the screen did not appear" "$(con_cap "$1")"
  return 1
}
ends() {
  con_wait "$1" DONE 10000
  check_eq "$1: the result at the start of the row below; settings (stty -g), mouse reporting as before; standard error: the debug log if asked for" \
    "$2 $(cat "$tmp/$1.0") 0 0 0 $(cat "$tmp/$1.dbg" 2>/dev/null)" \
    "$(T capture-pane -p -J -t "$1" | grep -a ^PLM | tail -n 1) $(<"$tmp/$1.1") $(T display -p -t "$1" "$mouse") $(<"$tmp/$1.err")"
  con_kill "$1"
}
rows() { con_settle "$1" >/dev/null; con_cap "$1" | sed -n "$2" | sed 's/ *$//' | tr '\n' '|'; }
# Until the shell condition holds, for at most 20 s: a busy machine delays, it does not fail.
await() { local end=$((SECONDS + 20)); until eval "$1"; do [ "$SECONDS" -ge "$end" ] && return 1; sleep 0.05; done; }
sgr() { printf '\033[<%d;%d;%d%s' "$1" $(($2 + 1)) $(($3 + 1)) "$4" | od -An -tx1; } # button x y (0-based) M|m

if open keys "--event-log $tmp/keys.log prompt" "demo>"; then
  want=
  while IFS='|' read -r send events; do # events: key code, code:character, mouse x,y,button,released
    con_key keys $send
    want+=${events:+$events }
  done <<KEYS
Up Down Right Left Home End PageUp PageDown Delete Tab BSpace C-Right F5|7 8 6 5 11 12 9 10 4 13 3 6
-H 1b 5b 48 1b 5b 46 1b 78|11 12 14
-l aé|1:97 1:195 1:169
-H $(sgr 0 9 4 M) $(sgr 0 9 4 m) $(sgr 64 2 6 M) $(sgr 35 39 1 M)|m9,4,0,0 m9,4,0,1 m2,6,64,0 m39,1,35,0
C-c|15
KEYS
  ends keys "PLM_RESULT prompt status=-3"
  check_eq "keys: the bytes of each key give its event (ESC and a byte in one burst: Escape, the byte taken)" "$want" \
    "$(sed -E 's/^key=(.*) ch=0$/\1/; s/^key=(.*) ch=/\1:/; s/^mouse x=(.*) y=(.*) button=(.*) released=/m\1,\2,\3,/' \
      "$tmp/keys.log" | tr '\n' ' ')"
fi

if open text "--history 选择 prompt prompt" "demo>"; then
  con_key text -l café选择 && con_key text Enter Up Up Left X Enter
  check_eq "text: typed as characters" 'PLM_RESULT prompt status=0 line="caf\xc3\xa9\xe9\x80\x89\xe6\x8b\xa9"' \
    "$(grep -a ^PLM "$tmp/text.res" | head -n 1)"
  ends text 'PLM_RESULT prompt status=0 line="\xe9\x80\x89X\xe6\x8b\xa9"'
fi

if open single "--title \"\$(printf \"Fruit\\033]0;X\\a\")$(printf '选择%.0s' {1..20})\" --items 30 single" "10. item 10" VLM_MENU_DEBUG=1 VLM_MENU_DEBUG_FILE="$tmp/single.dbg"; then
  title0=$(T display -p -t single '#{pane_title}') && con_key single $(printf 'Down %.0s' {1..10})
  check_eq "single: below a title (shown, not obeyed; cut), Down past the last row scrolls the list up by one row" \
    "Fruit^[]0;X^G$(printf '选择%.0s' {1..11})>|  2. item 2|11. item 11|^ v|$title0" \
    "$(rows single '1,2p;11,12p')$(T display -p -t single '#{pane_title}')"
  con_key single $(printf 'Up %.0s' {1..10})
  check_eq "single: and Up past the first one down again" "1. item 1|  10. item 10|v|" "$(rows single '2p;11,12p')"
  con_key single -H $(sgr 0 4 3 M) $(sgr 0 4 3 m)
  con_key single Enter
  ends single "PLM_RESULT single status=0 index=2"
  check_contains "single: the debug log" "$(cat "$tmp/single.dbg")" "[PLM_DBG] vt_mouse x=4 y=3 btn=0 rel=1"
fi

if W=20 open multi multi "SPACE=toggle"; then
  con_key multi Space Down Down Space
  con_key multi -H $(sgr 0 2 4 M) $(sgr 0 2 4 m)
  check_eq "multi: rows cut to a narrow window, nothing wrapped" "[✓]1. apple|SPACE=toggle ENTER>|" "$(rows multi '1p;12p')"
  con_key multi End Down Enter
  ends multi "PLM_RESULT multi status=0 ticked=0,2,4"
fi

# One Escape alone: vi normal mode at once (0 x takes the first character), a menu cancelled at once.
if open esc "--vi --event-log $tmp/esc.ev prompt single" "vi>"; then
  con_key esc -l abc && con_key esc Escape && await "grep -q key=14 $tmp/esc.ev" && con_key esc 0 x Enter
  con_wait esc "1. apple" && con_key esc Escape
  ends esc "PLM_RESULT single status=-1"
  check_contains "esc: the vi line" "$(cat "$tmp/esc.res")" 'PLM_RESULT prompt status=0 line="bc"'
fi

# job.py fg|orphan PROGRAM ARGS: the program in a process group of its own, in the foreground as a
# shell with job control runs it, or in the background with its parent gone (an orphaned group).
cat >"$tmp/job.py" <<'PY'
import os, signal as s, sys, time
p, fg, child = os.getpid(), sys.argv[1] == "fg", os.fork()
if child == 0:
    os.setpgid(0, 0)
    while (os.tcgetpgrp(0) != os.getpid()) if fg else (os.getppid() == p): time.sleep(0.01)
    for n in (s.SIGTTOU, s.SIGTTIN): s.signal(n, s.SIG_DFL)
    os.execv(sys.argv[2], sys.argv[2:])
if fg:
    s.signal(s.SIGTTOU, s.SIG_IGN), os.setpgid(child, child), os.tcsetpgrp(0, child), os.waitpid(child, 0)
    os.tcsetpgrp(0, os.getpgrp())
PY
job() { ps -o tpgid= -p "$(T display -p -t "$1" '#{pane_pid}')" | tr -d ' '; }
fg="python3 $tmp/job.py fg $demo"

# TERM and HUP: the terminal as before (settings, mouse reporting), then the default course.
while read -r sig step text; do
  demo=$fg open "$sig" "$step" "$text" && kill -"$sig" -- -"$(job "$sig")" && ends "$sig" ""
done <<<"TERM prompt demo>
HUP single 3. banana"

# Stopped: the terminal as before; continued: raw mode again, drawn whole; resized: laid out again.
if demo=$fg open stop "--items 30 single" "10. item 10"; then
  con_key stop Down Down && kill -TSTP -- -"$(job stop)" && await "ps -o stat= -p $(job stop) | grep -q T"
  tty=$(T display -p -t stop '#{pane_tty}')
  check_eq "stop: settings and mouse reporting as before" "$(<"$tmp/stop.0") 0 0 0" \
    "$(stty -g <"$tty") $(T display -p -t stop "$mouse")"
  printf '\033[H\033[2J' >"$tty" && kill -CONT -- -"$(job stop)" && con_wait stop "item 10"
  con_key stop Down && check_eq "stop: continued, drawn again, keys read" "  1. item 1|4. item 4|v|" "$(rows stop '1p;4p;12p')"
  T resize-window -t stop -x 40 -y 6 && check_eq "resize: the menu laid out again" "  3. item 3|4. item 4|  5. item 5|v|" "$(rows stop 3,6p)"
  con_key stop Enter && ends stop "PLM_RESULT single status=0 index=3"
fi

# An orphaned process group: the terminal refuses raw mode, the prompt gives up at once.
con_run orphan "python3 $tmp/job.py orphan $demo --results $tmp/orphan.res prompt; exec sleep 600"
await "[ -s $tmp/orphan.res ]"
check_eq "orphaned: the prompt gives up" "PLM_RESULT prompt status=-3" "$(cat "$tmp/orphan.res")"

# Standard input left non-blocking by another program, SIGHUP ignored as under nohup.
nb='import os,signal as s,sys; a=sys.argv[1:]; s.signal(s.SIGHUP,s.SIG_IGN); os.set_blocking(0,0); os.execv(a[0],a)'
W=30 H=6 con_run hup "python3 -c '$nb' $demo --results $tmp/hup.res prompt"
con_wait hup "demo>" 10000 && con_key hup -l abcdefghijklmnopqrstuvwxyz0123456789ABCD选择
check_eq "wide: the row scrolls sideways" "demo> vwxyz0123456789ABCD选择||29,0" "$(rows hup 1,2p)$(con_cursor hup)"
pid=$(T display -p -t hup '#{pane_pid}')
ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat") && sleep 1
check_eq "non-blocking input: waiting for a key costs no processor time (ticks in 1 s)" "$ticks" \
  "$(awk '{print $14 + $15}' "/proc/$pid/stat")"
con_kill hup
await "! kill -0 $pid 2>/dev/null"
check_eq "hang-up: the prompt ends with -3" "PLM_RESULT prompt status=-3 ended" \
  "$(cat "$tmp/hup.res") $(kill -0 "$pid" 2>/dev/null && echo running || echo ended)"
finish
