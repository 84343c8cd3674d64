#!/usr/bin/env bash
# Raw mode and both readers through the Win32 back end, for real: the probe runs under Wine in a
# tmux pane. Keys Wine delivers (see TESTING-WINE.md): the arrows and paging keys through getwch,
# printable keys, Enter, Tab and Backspace as bytes; Ctrl+C arrives as a control event, which the
# installed handler must swallow. The mouse sequences must reach the terminal (tmux's mouse flags).
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/wine.sh"
. "$VM_SRC/tests/lib/console.sh"
trap 'con_stop; wine_stop_group' EXIT
wine_group promptloom-raw
con_start
export LOADER=/usr/lib/wine/wine64
probe=$VM_BIN/plm_raw_probe.exe  # the Unix path: the pane command goes through a shell
T() { tmux -L "$VM_TMUX_SOCKET" "$@"; }

lines() { con_cap "$1" | grep '^event' | tr '\n' '|'; }

# --- getwch: navigation keys come as prefix codes.
con_run_exe g "$probe getwch"
if con_wait g READY 20000; then
  sleep 0.1
  check_eq "mouse reporting on while raw (any, sgr)" "1 1" "$(T display -p -t g '#{mouse_any_flag} #{mouse_sgr_flag}')"
  check_contains "VT input accepted by the console" "$(con_cap g)" "raw in=0x3e8 vt=1 count=1"
  for k in Left Right Up Down PageUp PageDown Delete; do con_key g "$k"; done
  con_key g -H 1b 5b 48   # Home as ESC [ H
  con_key g -H 1b 5b 46   # End
  con_key g a; con_key g Enter; con_key g Tab; con_key g BSpace; con_key g q
  con_wait g DONE 5000
  want="event got=1 key=5 ch=0 mouse=0|event got=1 key=6 ch=0 mouse=0|event got=1 key=7 ch=0 mouse=0|"
  want+="event got=1 key=8 ch=0 mouse=0|event got=1 key=9 ch=0 mouse=0|event got=1 key=10 ch=0 mouse=0|"
  want+="event got=1 key=4 ch=0 mouse=0|event got=1 key=11 ch=0 mouse=0|event got=1 key=12 ch=0 mouse=0|"
  want+="event got=1 key=1 ch=97 mouse=0|event got=1 key=2 ch=0 mouse=0|event got=1 key=13 ch=0 mouse=0|"
  want+="event got=1 key=3 ch=0 mouse=0|event got=1 key=1 ch=113 mouse=0|"
  check_eq "getwch: arrows, paging, Delete, Home, End, a, Enter, Tab, Backspace, q" "$want" "$(lines g)"
  check_contains "modes restored and the scope closed" "$(con_cap g)" "left=1 restored=1 count=0"
  check_eq "mouse reporting off after leaving" "0 0" "$(T display -p -t g '#{mouse_any_flag} #{mouse_sgr_flag}')"
else
  fail "getwch probe did not start" "$(con_cap g)"
fi
con_kill g

# --- bytes: read_event on the byte path; Ctrl+C is swallowed while raw mode is on.
con_run_exe b "$probe bytes"
if con_wait b READY 20000; then
  sleep 0.1
  con_key b x; con_key b Enter; con_key b Tab; con_key b BSpace
  # Wine empties the input queue on Ctrl+C: let the keys before it be read first.
  con_wait b "key=3 " 3000
  con_key b C-c
  sleep 0.3
  con_key b y; con_key b q
  con_wait b DONE 5000
  want="event got=1 key=1 ch=120 mouse=0|event got=1 key=2 ch=0 mouse=0|event got=1 key=13 ch=0 mouse=0|"
  want+="event got=1 key=3 ch=0 mouse=0|event got=1 key=1 ch=121 mouse=0|event got=1 key=1 ch=113 mouse=0|"
  check_eq "bytes: x, Enter, Tab, Backspace, (Ctrl+C swallowed), y, q" "$want" "$(lines b)"
  check_contains "the program outlived Ctrl+C and restored the modes" "$(con_cap b)" "left=1 restored=1 count=0"
else
  fail "bytes probe did not start" "$(con_cap b)"
fi
con_kill b
finish
