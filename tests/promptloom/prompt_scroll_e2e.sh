#!/usr/bin/env bash
# A line wider than the terminal, in a real terminal (tmux, POSIX back end, demo program): the
# prompt row scrolls sideways and never wraps onto a second row; the cursor stays on the row.
. "$VM_SRC/tests/promptloom_posix/plm_e2e.sh"
export W=30 H=6
line=abcdefghijklmnopqrstuvwxyz0123456789ABCD  # 40 characters after the 6 of "demo> "

demo_start wide prompt
if con_wait wide "demo>" 5000; then
  sleep 0.1
  con_key wide -l "$line"
  # 29 columns are used (the last one stays free): the prompt and the last 23 characters
  check_eq "typed past the edge: the row shows the end of the line" "demo> rstuvwxyz0123456789ABCD" "$(screen_row wide 0)"
  check_eq "typed past the edge: nothing wrapped to the next row" "" "$(screen_row wide 1)"
  check_eq "typed past the edge: the cursor after the last character" "29,0" "$(con_cursor wide)"
  con_key wide Home
  check_eq "Home: the row shows the start of the line" "demo> abcdefghijklmnopqrstuvw" "$(screen_row wide 0)"
  check_eq "Home: the cursor after the prompt" "6,0" "$(con_cursor wide)"
  con_key wide End
  con_key wide BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace
  check_eq "shortened to fit: the whole line again" "demo> abcdefghijklmnopqrstuv" "$(screen_row wide 0)"
  con_key wide -l "$line"
  con_key wide Enter
  demo_finish wide
  check_eq "the accepted line is whole" "PLM_RESULT prompt status=0 line=\"abcdefghijklmnopqrstuv$line\"" "$(demo_result wide prompt)"
else
  fail "the prompt did not appear" "$(con_cap wide)"
fi
finish
