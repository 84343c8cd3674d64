#!/usr/bin/env bash
# The POSIX back end in a real terminal (tmux): raw mode entered and left exactly, mouse
# reporting switched off again, the bytes tmux really sends for each key decoded as the key
# table says, and a terminal that hangs up ending the read instead of spinning.
. "$VM_SRC/tests/promptloom_posix/plm_e2e.sh"
keylog=$VM_BIN/plm_keylog

# Runs the key logger in a shell that records the terminal settings around it and stays alive
# afterwards, so the pane's mouse flags can still be read.
start_logger() {
  local name=$1
  con_run "$name" "sh -c 'stty -g >$tmp/$name.before; $keylog $tmp/$name.log; echo \"rc=\$?\"; stty -g >$tmp/$name.after; echo DONE; exec sleep 600'"
  con_wait "$name" "KEYLOG READY" 5000 || { fail "$name: the logger did not start" "$(con_cap "$name")"; return 1; }
  sleep 0.1
}
after_logger() {
  local name=$1
  if ! con_wait "$name" DONE 5000; then fail "$name: the logger did not end" "$(con_cap "$name")"; return; fi
  check_contains "$name: the logger returned 0" "$(con_cap "$name")" "rc=0"
  check_eq "$name: terminal settings identical before and after (stty -g)" \
    "$(cat "$tmp/$name.before")" "$(cat "$tmp/$name.after")"
  check_eq "$name: mouse reporting off afterwards (any, sgr, button, all)" "0 0 0 0" \
    "$(T display -p -t "$name" '#{mouse_any_flag} #{mouse_sgr_flag} #{mouse_button_flag} #{mouse_all_flag}')"
}

# --- every key of the table as tmux sends it ---------------------------------------------------
if start_logger keys; then
  check_eq "keys: mouse reporting on while reading (any, sgr, all)" "1 1 1" \
    "$(T display -p -t keys '#{mouse_any_flag} #{mouse_sgr_flag} #{mouse_all_flag}')"
  # Each row: what is sent (send-keys words), the event lines the decoder must give.
  while IFS='|' read -r send want; do
    [ -z "$send" ] && continue
    : >"$tmp/keys.log"
    # shellcheck disable=SC2086
    con_key keys $send
    sleep 0.1
    got=$(cat "$tmp/keys.log")
    check_eq "keys: $send" "$(printf '%b' "$want")" "$got"
  done <<'TABLE'
Up|key=7 ch=0
Down|key=8 ch=0
Right|key=6 ch=0
Left|key=5 ch=0
Home|key=11 ch=0
End|key=12 ch=0
-H 1b 5b 48|key=11 ch=0
-H 1b 5b 46|key=12 ch=0
PageUp|key=9 ch=0
PageDown|key=10 ch=0
Delete|key=4 ch=0
Tab|key=13 ch=0
BSpace|key=3 ch=0
Enter|key=2 ch=0
C-c|key=15 ch=0
C-Right|key=6 ch=0
-l a|key=1 ch=97
-l é|key=1 ch=195\nkey=1 ch=169
-H 1b 5b 3c 30 3b 31 30 3b 35 4d|mouse x=9 y=4 button=0 released=0
-H 1b 5b 3c 30 3b 31 30 3b 35 6d|mouse x=9 y=4 button=0 released=1
-H 1b 5b 3c 36 34 3b 33 3b 37 4d|mouse x=2 y=6 button=64 released=0
-H 1b 5b 3c 36 35 3b 31 3b 31 4d|mouse x=0 y=0 button=65 released=0
-H 1b 5b 3c 33 35 3b 34 30 3b 32 4d|mouse x=39 y=1 button=35 released=0
F5|
TABLE
  # Escape is reported when the next byte arrives, and that byte is consumed with it.
  : >"$tmp/keys.log"
  con_key keys Escape
  sleep 0.1
  check_eq "keys: a lone Escape waits for the next byte" "" "$(cat "$tmp/keys.log")"
  con_key keys -l x
  sleep 0.1
  check_eq "keys: Escape then x gives Escape only" "key=14 ch=0" "$(cat "$tmp/keys.log")"
  con_key keys -l q
  after_logger keys
fi

# --- a terminal that hangs up -----------------------------------------------------------------
# SIGHUP is ignored (as under nohup or a script host that ignores it), so the reader sees the
# end of the terminal itself. It must end, not spin in its read loop.
con_run hup "sh -c 'trap \"\" HUP; echo \$\$ >$tmp/hup.pid; exec $keylog $tmp/hup.log'"
if con_wait hup "KEYLOG READY" 5000; then
  hangup_ends hup "hang-up: the reader" "$tmp/hup.pid"
  check_eq "hang-up: the read reported the terminal gone" "gone" "$(tail -n 1 "$tmp/hup.log")"
else
  fail "hang-up: the logger did not start" "$(con_cap hup)"
fi

finish
