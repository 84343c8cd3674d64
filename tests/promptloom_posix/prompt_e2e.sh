#!/usr/bin/env bash
# The line prompt and the numbered menu in a real terminal, driven through the demo program:
# editing keys, history, vi mode, completion through the demo's callback, Ctrl+C.
. "$VM_SRC/tests/promptloom_posix/plm_e2e.sh"
export W=60 H=10

# Starts the demo and waits for its first screen; a missing screen is a failure of its own.
open() {
  demo_start "$1" "$2"
  con_wait "$1" "$3" 5000 && sleep 0.1 && return 0
  fail "$1: the screen did not appear" "$(con_cap "$1")"; return 1
}
# Ends the demo (settings and mouse flags checked there) and compares its result line.
result_is() { demo_finish "$1"; check_eq "$1: $2" "$3" "$(demo_result "$1" "${4:-prompt}")"; }

# Typing and editing: a letter inserted in the middle, Home/End, Backspace and Delete.
if open edit "--event-log $tmp/edit.events prompt" "demo>"; then
  con_key edit -l 'helo wrld'
  sgr edit 0 3 0
  check_eq "edit: every event reaches the caller's on_event, a click with its mouse record" \
    "$(printf 'key=1 ch=%s\n' 104 101 108 111 32 119 114 108 100; echo 'mouse x=3 y=0 button=0 released=0')" \
    "$(cat "$tmp/edit.events")"
  con_key edit Left Left Left
  con_key edit -l o
  check_eq "edit: the line after inserting before the cursor" "demo> helo world" "$(screen_row edit 0)"
  check_eq "edit: the cursor stays after the inserted letter" "13,0" "$(con_cursor edit)"
  con_key edit Home
  check_eq "edit: Home puts the cursor after the prompt" "6,0" "$(con_cursor edit)"
  con_key edit Delete
  con_key edit -l '>H'
  con_key edit End
  con_key edit -l 'x'
  con_key edit BSpace Left Left Left Left Left Left Left Left
  con_key edit -l l
  con_key edit End
  con_key edit -l '<'
  check_eq "edit: the line shown before Enter" "demo> >Hello world<" "$(screen_row edit 0)"
  con_key edit Enter
  result_is edit "the accepted line" 'PLM_RESULT prompt status=0 line=">Hello world<"'
fi

# History recall: older, older, older (stays), newer, newer (the line being typed comes back).
if open hist "--history one --history two prompt" "demo>"; then
  con_key hist -l 'draft'
  con_key hist Up
  check_eq "history: Up shows the newest entry" "demo> two" "$(screen_row hist 0)"
  con_key hist Up Up
  check_eq "history: Up stops at the oldest entry" "demo> one" "$(screen_row hist 0)"
  con_key hist Down Down
  check_eq "history: Down past the newest brings the typed line back" "demo> draft" "$(screen_row hist 0)"
  con_key hist Up Enter
  result_is hist "the recalled line is accepted" 'PLM_RESULT prompt status=0 line="two"'
fi

# vi mode: Escape needs a following byte, which it consumes (no time-out), so each Escape is
# followed by a byte sent only to end it.
if open vi "--vi prompt" "vi>"; then
  con_key vi -l 'foo bar'
  con_key vi Escape
  con_key vi -l '#0dw'
  check_eq "vi: dw deletes the first word and its blank" "vi> bar" "$(screen_row vi 0)"
  con_key vi -l '$p'
  check_eq "vi: \$p pastes it after the last character" "vi> barfoo" "$(screen_row vi 0)"
  con_key vi -l 'A qux'
  check_eq "vi: A appends at the end in insert mode" "vi> barfoo  qux" "$(screen_row vi 0)"
  con_key vi Escape
  con_key vi -l '#0cwbaz '
  con_key vi Enter
  result_is vi "cw changes the word and the blanks after it, typing goes on in insert mode" \
    'PLM_RESULT prompt status=0 line="baz qux"'
fi

# Completion through the demo's callback: the first word that begins with the line.
if open comp prompt "demo>"; then
  con_key comp -l bl
  con_key comp Tab
  check_eq "completion: Tab completes bl to blueberry" "demo> blueberry" "$(screen_row comp 0)"
  con_key comp -l ' x'
  con_key comp Tab
  check_eq "completion: no candidate leaves the line" "demo> blueberry x" "$(screen_row comp 0)"
  con_key comp Enter
  result_is comp "the accepted line" 'PLM_RESULT prompt status=0 line="blueberry x"'
fi

# Ctrl+C cancels in both edit modes.
for args in prompt "--vi prompt"; do
  name=cancel-${args%% *}
  if open "$name" "$args" ">"; then
    con_key "$name" -l 'abc'
    con_key "$name" C-c
    result_is "$name" "Ctrl+C ends the prompt with -3" "PLM_RESULT prompt status=-3"
  fi
done

# The numbered menu reads its answer through the prompt.
if open menu "--title Fruit menu" "  5. cherry"; then
  check_eq "menu: title and numbered items" "$(printf 'Fruit\n  1. apple\n  2. apricot\n  3. banana\n  4. blueberry\n  5. cherry')" \
    "$(con_cap menu | sed -n 1,6p | sed 's/ *$//')"
  con_key menu -l 4
  con_key menu Enter
  result_is menu "answer 4 gives index 3" "PLM_RESULT menu status=0 index=3" menu
fi

# A terminal that hangs up under the prompt.
: >"$tmp/hup.res"
con_run hup "sh -c 'trap \"\" HUP; echo \$\$ >$tmp/hup.pid; exec $demo --results $tmp/hup.res prompt'"
if con_wait hup "demo>" 5000; then
  con_key hup -l 'typed'
  hangup_ends hup "hang-up: the prompt" "$tmp/hup.pid"
  check_eq "hang-up: status -3" "PLM_RESULT prompt status=-3" "$(demo_result hup prompt)"
else
  fail "hang-up: the prompt did not appear" "$(con_cap hup)"
fi

finish
