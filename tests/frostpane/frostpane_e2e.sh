#!/usr/bin/env bash
# frostpane.exe under Wine, for what only the real Win32 layer shows: the layered window and its
# alpha (read back by the probe in the same console), WindowAlpha and EnableTransparency in the
# registry, the code page put back, keys reaching the slider as console input records (the console
# driver), the settings file replaced on disk and found in the Preview's place, the usage text and
# the exit codes.
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/wine.sh"
. "$VM_SRC/tests/lib/console.sh"
tmp=$(mktemp -d /tmp/frostpane-e2e.XXXXXX)
trap 'con_stop; wine_cleanup; rm -rf "$tmp"' EXIT
wine_group frostpane || finish
exe=$(wine_path "$VM_BIN/frostpane.exe")
win() { wine_path "$tmp/$1"; }
probe() { printf '%s %s' "$(wine_path "$VM_BIN/frostpane_console_probe.exe")" "$(win "$1")"; }
personalize='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Themes\Personalize'
consoles=('HKCU\Console' 'HKCU\Console\C:_windows_System32_cmd.exe')
for key in "${consoles[@]}"; do wine_reg_delete "$key" WindowAlpha; done  # the prefix is kept between runs
wine_reg_add "$personalize" EnableTransparency REG_DWORD 0

# One console: set 50 and check; the probe looks before and after.
con_start || finish
export W=400 H=12  # Wine's console counts each byte of the UTF-8 text as a cell
printf '@%s\r\n' "$(probe p0)" "$exe set 50" "$(probe p1)" "$exe check > $(win check)" >"$tmp/run.bat"
con_run_exe pane "cmd /c $(printf '%q' "$(win run.bat)")"
con_wait_dead pane 30000 >/dev/null || fail "the console did not end" "$(con_cap pane)"
p0=$(cat "$tmp/p0" 2>/dev/null) p1=$(cat "$tmp/p1" 2>/dev/null)
check_contains "a fresh console window is not layered" "$p0" "layered=0"
check_contains "set 50: layered, alpha 127" "$p1" "layered=1 alpha=127"
check_contains "check reads the live alpha" "$(cat "$tmp/check")" "当前窗口实时不透明度：49%"
check_eq "the code page is put back" "${p0%% *}" "${p1%% *}"
check_eq "EnableTransparency switched on" "REG_DWORD 0x1" "$(wine_reg_query "$personalize" EnableTransparency)"

# The slider driven by input records (tests/lib/console_driver.cc), standard input redirected (the
# keys still come from the console): from 50%, Right and Escape.
: >"$tmp/empty"
wine_run "$VM_BIN/console_driver.exe" key=Right key=Escape exit -- cmd /c "$exe slider < $(win empty)"
check_eq "console driver: Right and Escape reach the slider, it leaves, the modes as they were" \
  "exit 0, modes kept" "$(cat "$WINE_OUT")"
for key in "${consoles[@]}"; do
  check_eq "console driver: WindowAlpha for 51% under $key" "REG_DWORD 0xa7" "$(wine_reg_query "$key" WindowAlpha)"
done

wine_run "$exe" SET
check_eq "SET: exit code 1, the usage text" "1 用法：frostpane.exe [check | set [透明度] [模糊] | restore | slider]" \
  "$WINE_RC $(head -n 1 "$WINE_ERR")"

# Inside Windows Terminal, with LOCALAPPDATA at the scratch folder and settings.json a link.
state=$tmp/Packages/Microsoft.WindowsTerminal_8wekyb3d8bbwe/LocalState
mkdir -p "$state"
wine_reg_add 'HKCU\Volatile Environment' LOCALAPPDATA REG_SZ "$(wine_path "$tmp")"
WINE_ENV=(WT_SESSION=e2e)
printf '\xef\xbb\xbf{\r\n "profiles": {\r\n  "defaults": { "useAcrylic": true, "acrylicOpacity": 0.5,\r\n   "font": 1 }\r\n }\r\n}\r\n' >"$state/real.json"
ln -s real.json "$state/settings.json"
wine_run "$exe" set 70 0
check_file_bytes "set 70 0: the file replaced, byte for byte" "$state/real.json" \
  '\xef\xbb\xbf{\r\n "profiles": {\r\n  "defaults": { "opacity": 70,  "font": 1 }\r\n }\r\n}\r\n'
check_eq "the link stays, no temporary file is left" "real.json settings.json" "$(cd "$state" && echo *)"
# The hidden attribute stays (under Wine not the Unix mode); a .tmp that a killed run left goes.
/usr/lib/wine/wine64 attrib +h "$(wine_path "$state/real.json")" && : >"$state/real.json.99-0.tmp"
wine_run "$exe" restore
check_eq "restore: exit code 0, the leftover gone, still hidden" "0 real.json settings.json AH" "$WINE_RC \
$(cd "$state" && echo *) $(/usr/lib/wine/wine64 attrib "$(wine_path "$state/real.json")" | cut -c1-11 | tr -d ' \r')"

# The slider driven by input records: Space turns the acrylic blur off, Escape leaves.
printf '{"profiles": {"defaults": {"useAcrylic": true, "acrylicOpacity": 0.5}}}' >"$state/real.json"
wine_run "$VM_BIN/console_driver.exe" key=Space key=Escape exit -- "$exe" slider
check_eq "console driver: Space and Escape reach the slider" "exit 0, modes kept" "$(cat "$WINE_OUT")"
check_file_bytes "console driver: Space, the file holds 50% without blur" "$state/real.json" \
  '{"profiles": {"defaults": { "opacity": 50}}}'

# No settings file: the message and exit code 2. Then only the Preview's: it is the one edited.
rm -rf "$tmp/Packages"
wine_run "$exe" set 70 0
check_eq "no settings file: exit code 2, the message" "2 错误：无法读取 settings.json，请确认已安装 Windows Terminal。" \
  "$WINE_RC $(cat "$WINE_ERR")"
preview=$tmp/Packages/Microsoft.WindowsTerminalPreview_8wekyb3d8bbwe/LocalState
mkdir -p "$preview" && printf '{"profiles": {"defaults": {}}}' >"$preview/settings.json"
wine_run "$exe" set 70 0
check_file_bytes "only the Preview's file: set 70 0 edits it" "$preview/settings.json" \
  '{"profiles": {"defaults": { "opacity": 70}}}'
finish
