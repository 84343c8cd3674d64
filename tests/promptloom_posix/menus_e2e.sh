#!/usr/bin/env bash
# Both interactive menus in a real terminal, driven through the demo program with keys, typed
# numbers, hidden words and SGR mouse reports; the screen compared after the steps, the result
# line and the terminal's settings and mouse flags checked after each run.
. "$VM_SRC/tests/promptloom_posix/plm_e2e.sh"
export W=60 H=12

# Starts the demo and waits for its first screen; a missing screen is a failure of its own.
open() {
  local name=$1 args=$2 text=$3
  shift 3
  demo_start "$name" "$args" "$@"
  con_wait "$name" "$text" 5000 && sleep 0.15 && return 0
  fail "$name: the list did not appear" "$(con_cap "$name")"; return 1
}
# Ends the demo (settings and mouse flags checked there) and compares its result line.
result_is() { demo_finish "$1"; check_eq "$1: $2" "$3" "$(demo_result "$1" "$4")"; }
# The given screen rows, joined with '|'.
at() { local name=$1 r out=; shift; for r; do out+="$(screen_row "$name" "$r")|"; done; echo "${out%|}"; }
rows() { con_settle "$1" >/dev/null; con_cap "$1" | sed -n "$(($2 + 1)),$(($3 + 1))p" | sed 's/ *$//'; }

# --- single choice: arrows, Home/End, the highlighted row drawn without indentation ----------
if open keys "--title Fruit single" "5. cherry"; then
  check_eq "single: title, first item highlighted, the others indented" \
    "$(printf 'Fruit\n1. apple\n  2. apricot\n  3. banana\n  4. blueberry\n  5. cherry')" "$(rows keys 0 5)"
  con_key keys Down Down
  check_eq "single: two Downs highlight the third item" \
    "$(printf '  1. apple\n  2. apricot\n3. banana')" "$(rows keys 1 3)"
  con_key keys End
  check_eq "single: End highlights the last item" "5. cherry" "$(screen_row keys 5)"
  con_key keys Down
  check_eq "single: Down on the last item does nothing" "5. cherry" "$(screen_row keys 5)"
  con_key keys Home Down Up Down C-c Left
  check_eq "single: Ctrl+C and Left are ignored" "2. apricot" "$(screen_row keys 2)"
  con_key keys Enter
  result_is keys "Enter chooses the highlighted item" "PLM_RESULT single status=0 index=1" single
  check_contains "single: no hidden word, no override" "$(cat "$tmp/keys.res")" "VLM_MENU_RESULT_OVERRIDE unset"
fi

# --- single choice: 30 items in 12 rows: 11 item rows, a status line with the markers ---------
if open long "--items 30 single" "11. item 11"; then
  check_eq "long: 11 item rows, then the status line" \
    "$(printf '1. item 1\n  2. item 2')" "$(rows long 0 1)"
  check_eq "long: row 10 holds item 11, the status line the down marker" "  11. item 11|v" "$(at long 10 11)"
  # shellcheck disable=SC2046
  con_key long $(printf 'Down %.0s' {1..11})
  check_eq "long: Down past the last row scrolls by one, both markers then" "  2. item 2|12. item 12|^ v" "$(at long 0 10 11)"
  con_key long Up PageUp
  check_eq "long: PageUp goes back to the first item" "1. item 1" "$(screen_row long 0)"
  con_key long PageDown PageDown
  check_eq "long: two PageDowns show item 21 highlighted on the last row" "21. item 21" "$(screen_row long 10)"
  con_key long End
  check_eq "long: End shows the last item on the last row, only the up marker" "30. item 30|^" "$(at long 10 11)"
  con_key long Home
  con_key long -l 25
  check_eq "long: typed digits on the status line" "v 25" "$(screen_row long 11)"
  con_key long Enter
  result_is long "Enter takes the typed number" "PLM_RESULT single status=0 index=24" single
fi

# --- single choice: mouse ----------------------------------------------------------------------
if open mouse "--title Fruit single" "5. cherry" VLM_DOUBLE_CLICK_MS=1000; then
  sgr mouse 0 4 4; sgr mouse 0 4 4 m
  check_eq "mouse: a click highlights the item under it, the old one is plain again" "4. blueberry|  1. apple" "$(at mouse 4 1)"
  sgr mouse 65 10 8
  check_eq "mouse: a wheel step down moves the highlight down" "5. cherry" "$(screen_row mouse 5)"
  sgr mouse 64 10 8; sgr mouse 64 10 8
  check_eq "mouse: two steps up" "3. banana" "$(screen_row mouse 3)"
  sgr mouse 0 2 9; sgr mouse 0 2 9 m
  check_eq "mouse: a click below the list does nothing" "3. banana" "$(screen_row mouse 3)"
  sgr mouse 0 3 2; sgr mouse 0 3 2 m; sgr mouse 0 3 2; sgr mouse 0 3 2 m
  result_is mouse "a double click chooses the item" "PLM_RESULT single status=0 index=1" single
fi

# --- single choice: Escape (reported with the byte after it), hidden words --------------------
if open esc "single" "5. cherry"; then
  con_key esc Down Escape
  con_key esc -l x
  result_is esc "-1 and no index" "PLM_RESULT single status=-1" single
fi

if open word "single" "5. cherry"; then
  con_key word Down
  con_key word -l xquill
  con_key word Down
  sleep 1.6 # typed text starts afresh only after a pause of more than 1.5 s
  con_key word -l QuIlLpAtH
  result_is word "ends with the highlighted item" "PLM_RESULT single status=0 index=2" single
  check_contains "hidden word: the override is set in the process" "$(cat "$tmp/word.res")" "VLM_MENU_RESULT_OVERRIDE=Quill"
fi

# --- multi choice -----------------------------------------------------------------------------
if open multi "--title Pick multi" "SPACE=toggle"; then
  check_eq "multi: boxes, the confirm row, the hint on the last row" \
    "$(printf 'Pick\n[ ]1. apple\n[ ]2. apricot\n[ ]3. banana\n[ ]4. blueberry\n[ ]5. cherry\n确定')" "$(rows multi 0 6)"
  check_eq "multi: hint on the window's last row" "SPACE=toggle ENTER=ok" "$(screen_row multi 11)"
  con_key multi Space Down Down Enter Down Space Space
  check_eq "multi: Space and Enter tick, Space twice unticks" \
    "$(printf '[✓]1. apple\n[ ]2. apricot\n[✓]3. banana\n[ ]4. blueberry')" "$(rows multi 1 4)"
  sgr multi 0 2 5; sgr multi 0 2 5 m
  check_eq "multi: a click ticks" "[✓]5. cherry" "$(screen_row multi 5)"
  sgr multi 2 2 2; sgr multi 2 2 2 m
  check_eq "multi: a right-button click ticks too" "[✓]2. apricot" "$(screen_row multi 2)"
  sgr multi 2 2 4
  check_eq "multi: a right-button press alone does nothing" "[ ]4. blueberry" "$(screen_row multi 4)"
  con_key multi End Down Enter
  result_is multi "Enter on the confirm row returns the ticks" "PLM_RESULT multi status=0 ticked=0,1,2,4" multi
fi

if open multiesc "--items 40 multi" "SPACE=toggle"; then
  check_eq "multi, 40 items: the down marker" "v SPACE=toggle ENTER=ok" "$(screen_row multiesc 11)"
  con_key multiesc Space End
  check_eq "multi, 40 items: End shows the confirm row last, only the up marker then" \
    "确定|^ SPACE=toggle ENTER=ok" "$(at multiesc 10 11)"
  con_key multiesc Escape
  con_key multiesc -l x
  result_is multiesc "Escape after a tick gives -1" "PLM_RESULT multi status=-1" multi
fi

# --- a terminal that hangs up under an open menu ------------------------------------------------
for step in single multi; do
  : >"$tmp/hup-$step.res"
  con_run "hup-$step" "sh -c 'trap \"\" HUP; echo \$\$ >$tmp/hup-$step.pid; exec $demo --results $tmp/hup-$step.res $step'"
  if con_wait "hup-$step" "5. cherry" 5000; then
    hangup_ends "hup-$step" "hang-up ($step): the menu" "$tmp/hup-$step.pid"
    check_eq "hang-up ($step): status -3" "PLM_RESULT $step status=-3" "$(demo_result "hup-$step" "$step")"
  else
    fail "hang-up ($step): the list did not appear" "$(con_cap "hup-$step")"
  fi
done

finish
