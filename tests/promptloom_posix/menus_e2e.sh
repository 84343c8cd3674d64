#!/usr/bin/env bash
# Both interactive menus in a real terminal, driven through the demo program with keys, typed
# numbers, hidden words and SGR mouse reports; the screen compared after the steps, the result
# line and the terminal's settings and mouse flags checked after each run.
. "$VM_SRC/tests/promptloom_posix/plm_e2e.sh"
export W=60 H=12

ready() { con_wait "$1" "$2" 5000 && sleep 0.15; }
rows() { con_settle "$1" >/dev/null; con_cap "$1" | sed -n "$(($2 + 1)),$(($3 + 1))p" | sed 's/ *$//'; }

# --- single choice: arrows, Home/End, the highlighted row drawn without indentation ----------
demo_start keys "--title Fruit single"
if ready keys "5. cherry"; then
  check_eq "single: title, first item highlighted, the others indented" \
    "$(printf 'Fruit\n1. apple\n  2. apricot\n  3. banana\n  4. blueberry\n  5. cherry')" "$(rows keys 0 5)"
  con_key keys Down
  con_key keys Down
  check_eq "single: two Downs highlight the third item" \
    "$(printf '  1. apple\n  2. apricot\n3. banana')" "$(rows keys 1 3)"
  con_key keys End
  check_eq "single: End highlights the last item" "5. cherry" "$(screen_row keys 5)"
  con_key keys Down
  check_eq "single: Down on the last item does nothing" "5. cherry" "$(screen_row keys 5)"
  con_key keys Home
  con_key keys Down
  con_key keys Up
  con_key keys Down
  con_key keys C-c
  con_key keys Left
  check_eq "single: Ctrl+C and Left are ignored" "2. apricot" "$(screen_row keys 2)"
  con_key keys Enter
  demo_finish keys
  check_eq "single: Enter chooses the highlighted item" "PLM_RESULT single status=0 index=1" "$(demo_result keys single)"
  check_contains "single: no hidden word, no override" "$(cat "$tmp/keys.res")" "VLM_MENU_RESULT_OVERRIDE unset"
else
  fail "single: the list did not appear" "$(con_cap keys)"
fi

# --- single choice: 30 items in 12 rows: 11 item rows, a status line with the markers ---------
demo_start long "--items 30 single"
if ready long "11. item 11"; then
  check_eq "long: 11 item rows, then the status line" \
    "$(printf '1. item 1\n  2. item 2')" "$(rows long 0 1)"
  check_eq "long: row 10 holds item 11" "  11. item 11" "$(screen_row long 10)"
  check_eq "long: the status line shows the down marker" "v" "$(screen_row long 11)"
  for _ in 1 2 3 4 5 6 7 8 9 10 11; do con_key long Down; done
  check_eq "long: Down past the last row scrolls by one (top row)" "  2. item 2" "$(screen_row long 0)"
  check_eq "long: Down past the last row scrolls by one (new last row)" "12. item 12" "$(screen_row long 10)"
  check_eq "long: the row above it" "  11. item 11" "$(screen_row long 9)"
  check_eq "long: both markers after scrolling" "^ v" "$(screen_row long 11)"
  con_key long Up
  con_key long PageUp
  check_eq "long: PageUp goes back to the first item" "1. item 1" "$(screen_row long 0)"
  con_key long PageDown
  con_key long PageDown
  check_eq "long: two PageDowns show item 21 highlighted on the last row" "21. item 21" "$(screen_row long 10)"
  con_key long End
  check_eq "long: End shows the last item on the last row" "30. item 30" "$(screen_row long 10)"
  check_eq "long: only the up marker at the end" "^" "$(screen_row long 11)"
  con_key long Home
  con_key long -l 25
  check_eq "long: typed digits on the status line" "v 25" "$(screen_row long 11)"
  con_key long Enter
  demo_finish long
  check_eq "long: Enter takes the typed number" "PLM_RESULT single status=0 index=24" "$(demo_result long single)"
else
  fail "long: the list did not appear" "$(con_cap long)"
fi

# --- single choice: mouse ----------------------------------------------------------------------
demo_start mouse "--title Fruit single" VLM_DOUBLE_CLICK_MS=1000
if ready mouse "5. cherry"; then
  sgr mouse 0 4 4; sgr mouse 0 4 4 m
  check_eq "mouse: a click highlights the item under it" "4. blueberry" "$(screen_row mouse 4)"
  check_eq "mouse: and the old highlight is plain again" "  1. apple" "$(screen_row mouse 1)"
  sgr mouse 65 10 8
  check_eq "mouse: a wheel step down moves the highlight down" "5. cherry" "$(screen_row mouse 5)"
  sgr mouse 64 10 8; sgr mouse 64 10 8
  check_eq "mouse: two steps up" "3. banana" "$(screen_row mouse 3)"
  sgr mouse 0 2 9; sgr mouse 0 2 9 m
  check_eq "mouse: a click below the list does nothing" "3. banana" "$(screen_row mouse 3)"
  sgr mouse 0 3 2; sgr mouse 0 3 2 m; sgr mouse 0 3 2; sgr mouse 0 3 2 m
  demo_finish mouse
  check_eq "mouse: a double click chooses the item" "PLM_RESULT single status=0 index=1" "$(demo_result mouse single)"
else
  fail "mouse: the list did not appear" "$(con_cap mouse)"
fi

# --- single choice: Escape (reported with the byte after it), hidden words --------------------
demo_start esc "single"
if ready esc "5. cherry"; then
  con_key esc Down
  con_key esc Escape
  con_key esc -l x
  demo_finish esc
  check_eq "escape: -1 and no index" "PLM_RESULT single status=-1" "$(demo_result esc single)"
else
  fail "escape: the list did not appear" "$(con_cap esc)"
fi

demo_start word "single"
if ready word "5. cherry"; then
  con_key word Down
  con_key word -l xquill
  con_key word Down
  sleep 1.6 # typed text starts afresh only after a pause of more than 1.5 s
  con_key word -l QuIlLpAtH
  demo_finish word
  check_eq "hidden word: ends with the highlighted item" "PLM_RESULT single status=0 index=2" "$(demo_result word single)"
  check_contains "hidden word: the override is set in the process" "$(cat "$tmp/word.res")" "VLM_MENU_RESULT_OVERRIDE=Quill"
else
  fail "hidden word: the list did not appear" "$(con_cap word)"
fi

# --- multi choice -----------------------------------------------------------------------------
demo_start multi "--title Pick multi"
if ready multi "SPACE=toggle"; then
  check_eq "multi: boxes, the confirm row, the hint on the last row" \
    "$(printf 'Pick\n[ ]1. apple\n[ ]2. apricot\n[ ]3. banana\n[ ]4. blueberry\n[ ]5. cherry\n确定')" "$(rows multi 0 6)"
  check_eq "multi: hint on the window's last row" "SPACE=toggle ENTER=ok" "$(screen_row multi 11)"
  con_key multi Space
  con_key multi Down
  con_key multi Down
  con_key multi Enter
  con_key multi Down
  con_key multi Space
  con_key multi Space
  check_eq "multi: Space and Enter tick, Space twice unticks" \
    "$(printf '[✓]1. apple\n[ ]2. apricot\n[✓]3. banana\n[ ]4. blueberry')" "$(rows multi 1 4)"
  sgr multi 0 2 5; sgr multi 0 2 5 m
  check_eq "multi: a click ticks" "[✓]5. cherry" "$(screen_row multi 5)"
  sgr multi 2 2 2; sgr multi 2 2 2 m
  check_eq "multi: a right-button click ticks too" "[✓]2. apricot" "$(screen_row multi 2)"
  sgr multi 2 2 4
  check_eq "multi: a right-button press alone does nothing" "[ ]4. blueberry" "$(screen_row multi 4)"
  con_key multi End
  con_key multi Down
  con_key multi Enter
  demo_finish multi
  check_eq "multi: Enter on the confirm row returns the ticks" "PLM_RESULT multi status=0 ticked=0,1,2,4" "$(demo_result multi multi)"
else
  fail "multi: the list did not appear" "$(con_cap multi)"
fi

demo_start multiesc "--items 40 multi"
if ready multiesc "SPACE=toggle"; then
  check_eq "multi, 40 items: the down marker" "v SPACE=toggle ENTER=ok" "$(screen_row multiesc 11)"
  con_key multiesc Space
  con_key multiesc End
  check_eq "multi, 40 items: End shows the confirm row last" "确定" "$(screen_row multiesc 10)"
  check_eq "multi, 40 items: only the up marker then" "^ SPACE=toggle ENTER=ok" "$(screen_row multiesc 11)"
  con_key multiesc Escape
  con_key multiesc -l x
  demo_finish multiesc
  check_eq "multi: Escape after a tick gives -1" "PLM_RESULT multi status=-1" "$(demo_result multiesc multi)"
else
  fail "multi, 40 items: the list did not appear" "$(con_cap multiesc)"
fi

# --- a terminal that hangs up under an open menu ------------------------------------------------
for step in single multi; do
  : >"$tmp/hup-$step.res"
  con_run "hup-$step" "sh -c 'trap \"\" HUP; echo \$\$ >$tmp/hup-$step.pid; exec $demo --results $tmp/hup-$step.res $step'"
  if ready "hup-$step" "5. cherry"; then
    hangup_ends "hup-$step" "hang-up ($step): the menu" "$tmp/hup-$step.pid"
    check_eq "hang-up ($step): status -3" "PLM_RESULT $step status=-3" "$(demo_result "hup-$step" "$step")"
  else
    fail "hang-up ($step): the list did not appear" "$(con_cap "hup-$step")"
  fi
done

finish
