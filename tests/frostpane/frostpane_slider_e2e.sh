#!/usr/bin/env bash
# frostpane.exe slider, for real under Wine in a tmux pane: the bar on row 3 and the help line on
# row 5, arrows applied at once (window alpha and WindowAlpha), Space switching the Windows
# Terminal mode with the settings file following, Enter ending with exit code 0 and the code page
# given back. Escape cannot be tested here: Wine's console hands it to the runtime's key reader
# without a character, and the reader drops it (the fake covers Escape).
. "$VM_SRC/tests/frostpane/frostpane_e2e.sh" frostpane-slider
# Wine's console counts every byte of the UTF-8 texts as a cell: a wide pane keeps each line whole.
export W=400 H=12

# start_slider NAME [ENV...]: a batch file (probe, slider, exit code, probe) in a fresh pane; waits
# until the help line is shown. $SLIDER_ARGS may add a redirection.
start_slider() {
  local name=$1; shift
  local batch
  batch=$(write_batch "$name" "$probe $(tmp_win "$name-before.txt")" "$exe slider${SLIDER_ARGS:-}" \
    "echo %errorlevel%> $(tmp_win "$name-rc.txt")" "$probe $(tmp_win "$name-after.txt")")
  con_run_exe "$name" "cmd /c $(printf '%q' "$batch")" "$@"
  con_wait "$name" "Enter/Esc" 15000 || fail "$name: the slider did not show its help line" "$(con_cap "$name")"
  sleep 0.1
}
row() { con_settle "$1" >/dev/null; con_cap "$1" | sed -n "$2p" | sed 's/ *$//'; }
bar() {  # FILLED HEAD: the 40 cells
  local cells; cells=$(printf '%*s' "$1" '' | tr ' ' '=')
  [ "$2" = head ] && cells+='>'
  printf '%-40s' "$cells"
}
finish_slider() {  # NAME: Enter, then the end of the batch
  con_key "$1" Enter
  local status; status=$(con_wait_dead "$1" 15000)
  check_eq "$1: the console finished" 0 "$status"
  check_eq "$1: Enter ends the slider with exit code 0" 0 "$(tr -d '\r\n ' <"$tmp/$1-rc.txt" 2>/dev/null)"
  local before; before=$(cut -d' ' -f1 "$tmp/$1-before.txt" 2>/dev/null)
  check_eq "$1: the code page is the old one afterwards" "${before:-no probe output}" \
    "$(cut -d' ' -f1 "$tmp/$1-after.txt" 2>/dev/null)"
  con_kill "$1"
}

# --- Classic console, 50 stored.
wine_run "$exe" set 50
start_slider classic
check_eq "classic: the bar on row 3" "  [$(bar 20 head)]  50%  模式：传统控制台（仅透明度）" "$(row classic 3)"
check_eq "classic: the help line on row 5" "  ← → 调节透明度 | Enter/Esc 退出" "$(row classic 5)"
con_key classic Right; con_key classic Right; con_key classic Right
check_eq "classic: Right three times shows 53" "  [$(bar 21 head)]  53%  模式：传统控制台（仅透明度）" "$(row classic 3)"
check_eq "classic: WindowAlpha for 53 is stored at once" "REG_DWORD 0xab" "$(wine_reg_query 'HKCU\Console' WindowAlpha)"
finish_slider classic

# Standard input redirected: the keys still come from the console, as with the runtime's own
# keyboard functions.
: >"$tmp/empty.txt"
SLIDER_ARGS=" < $(tmp_win empty.txt)" start_slider redirected
con_key redirected Right
check_eq "redirected input: the arrow still reaches the slider" \
  "  [$(bar 21 head)]  54%  模式：传统控制台（仅透明度）" "$(row redirected 3)"
finish_slider redirected

# --- Inside Windows Terminal: LOCALAPPDATA points at a test folder.
local_dir=$tmp/local
state=$local_dir/Packages/Microsoft.WindowsTerminal_8wekyb3d8bbwe/LocalState
settings=$state/settings.json
mkdir -p "$state"
wine_reg_add 'HKCU\Volatile Environment' LOCALAPPDATA REG_SZ "$(wine_path "$local_dir")"
printf '{\r\n  "profiles": {\r\n    "defaults": { "useAcrylic": true, "acrylicOpacity": 0.5, "font": 1 },\r\n    "list": []\r\n  }\r\n}\r\n' >"$settings"
start_slider terminal WT_SESSION=e2e
check_eq "terminal: starts from the file, acrylic 0.5" "  [$(bar 20 head)]  50%  模式：亚克力模糊" "$(row terminal 3)"
con_key terminal Space
check_eq "terminal: Space switches to plain transparency" "  [$(bar 20 head)]  50%  模式：纯透明 (无模糊)" "$(row terminal 3)"
check_file_bytes "terminal: the file holds the plain opacity" "$settings" \
  '{\r\n  "profiles": {\r\n    "defaults": { "opacity": 50,  "font": 1 },\r\n    "list": []\r\n  }\r\n}\r\n'
con_key terminal Space
check_eq "terminal: Space switches back to acrylic" "  [$(bar 20 head)]  50%  模式：亚克力模糊" "$(row terminal 3)"
check_file_bytes "terminal: the file holds the acrylic members again" "$settings" \
  '{\r\n  "profiles": {\r\n    "defaults": { "useAcrylic": true, "acrylicOpacity": 0.5,  "font": 1 },\r\n    "list": []\r\n  }\r\n}\r\n'
finish_slider terminal
wine_reg_delete 'HKCU\Volatile Environment' LOCALAPPDATA
finish
