#!/usr/bin/env bash
# frostpane.exe check and restore, for real under Wine: the classic console in a tmux pane
# (layered window, WindowAlpha, EnableTransparency), Windows Terminal through a test LOCALAPPDATA.
# Reports are compared as bytes, redirected to files: Wine's console would re-decode the UTF-8.
. "$VM_SRC/tests/frostpane/frostpane_e2e.sh" frostpane-report

rule='=========================================='
# classic_report STORED LIVE_LINE EFFECTS: the report of a classic console (LIVE_LINE may be empty).
classic_report() {
  printf '%s\n        传统控制台窗口透明度\n%s\n\n  当前注册表保存的不透明度：%s%%\n' "$rule" "$rule" "$1"
  [ -n "$2" ] && printf '%s\n' "$2"
  printf '\n%s\n\n系统透明效果：%s\n\n' "$rule" "$3"
}
expect_bytes() {  # NAME FILE: the file holds exactly what stdin holds
  cat >"$tmp/expected"
  check_file_eq "$1" "$tmp/expected" "$2"
}

# --- Classic console: the commands of one batch file share one console (tmux pane).
run_batch setcheck "$exe set 50" "$exe check > $(tmp_win check1.txt) 2> $(tmp_win check1.err)" || fail "set + check: the console hung"
expect_bytes "set 50 then check in one console: stored 50%, live 49%" "$tmp/check1.txt" < <(classic_report 50 "  当前窗口实时不透明度：49%" 未知)
check_empty_file "check: nothing on standard error" "$tmp/check1.err"

run_batch fresh "$exe check > $(tmp_win check2.txt)" || fail "check: the console hung"
expect_bytes "check in a fresh console: the opaque line" "$tmp/check2.txt" < <(classic_report 50 "  当前窗口处于完全不透明状态" 未知)

run_batch restore "$exe set 50" "$exe restore > $(tmp_win restore.out) 2>&1" "$probe $(tmp_win probe.txt)" ||
  fail "restore: the console hung"
check_contains "restore after set 50: the window is opaque at once" "$(cat "$tmp/probe.txt" 2>/dev/null)" "layered=1 alpha=255"
check_empty_file "restore prints nothing" "$tmp/restore.out"
check_eq "restore stores WindowAlpha 255" "REG_DWORD 0xff" "$(wine_reg_query 'HKCU\Console' WindowAlpha)"

# --- EnableTransparency, without a console window (no live line).
for row in "0|已禁用（可能会影响透明显示）" "1|已启用" "missing|未知"; do
  value=${row%%|*} text=${row#*|}
  if [ "$value" = missing ]; then wine_reg_delete "$personalize" EnableTransparency
  else wine_reg_add "$personalize" EnableTransparency REG_DWORD "$value"; fi
  wine_run "$exe" check
  check_eq "EnableTransparency $value: exit 0" 0 "$WINE_RC"
  expect_bytes "EnableTransparency $value: its line" "$WINE_OUT" < <(classic_report 100 "" "$text")
done

# --- Inside Windows Terminal.
wine_run "$exe" set 50   # a stored value that the terminal branch must leave alone
local_dir=$tmp/local
state=$local_dir/Packages/Microsoft.WindowsTerminal_8wekyb3d8bbwe/LocalState
settings=$state/settings.json
mkdir -p "$state"
wine_reg_add 'HKCU\Volatile Environment' LOCALAPPDATA REG_SZ "$(wine_path "$local_dir")"
WINE_ENV=(WT_SESSION=e2e)
wine_reg_add "$personalize" EnableTransparency REG_DWORD 1

wine_run "$exe" check
check_eq "missing settings: exit 0" 0 "$WINE_RC"
expect_bytes "missing settings: the two hint lines, then the classic section" "$WINE_OUT" < <(
  printf 'Windows Terminal 已检测到，但 settings.json 不存在或无法读取。\n请先打开一次 Windows Terminal 以生成配置文件。\n\n'
  classic_report 50 "" 已启用
)
check_true "check creates no settings file" test ! -e "$settings"

printf '{\n  "profiles": {\n    "defaults": { "useAcrylic": true, "acrylicOpacity": 0.8,\n      "font": 1 },\n    "list": [\n      { "name": "a", "opacity": 40 },\n      { "name": "cmd",\n        //"closeOnExit": true,\n      }\n    ]\n  }\n}\n' >"$settings"
wine_run "$exe" restore
check_eq "restore inside Windows Terminal: exit 0" 0 "$WINE_RC"
check_empty_file "restore inside Windows Terminal: no message" "$WINE_ERR"
check_file_bytes "restore removes the members everywhere and keeps the brace out of the comment" "$settings" \
  '{\n  "profiles": {\n    "defaults": { "font": 1 },\n    "list": [\n      { "name": "a" },\n      { "name": "cmd",\n        //"closeOnExit": true,\n      }\n    ]\n  }\n}\n'
check_eq "restore inside Windows Terminal leaves WindowAlpha alone" "REG_DWORD 0xa6" "$(wine_reg_query 'HKCU\Console' WindowAlpha)"
wine_reg_delete 'HKCU\Volatile Environment' LOCALAPPDATA

finish
