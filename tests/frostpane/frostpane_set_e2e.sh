#!/usr/bin/env bash
# frostpane.exe set, for real under Wine: the classic console (layered window,
# WindowAlpha in the registry, EnableTransparency, code page given back) in a
# tmux pane, and the Windows Terminal settings file through a test LOCALAPPDATA.
. "$VM_SRC/tests/frostpane/frostpane_e2e.sh" frostpane-set

# --- Classic console: commands run from a batch file so they share one console.
run_batch fresh "$probe $(wine_path "$tmp/before.txt")" "$exe set 50" "$probe $(wine_path "$tmp/after.txt")"
before=$(cat "$tmp/before.txt" 2>/dev/null)
after=$(cat "$tmp/after.txt" 2>/dev/null)
check_contains "console starts opaque" "$before" "layered=0"
check_contains "set 50 makes the window layered with alpha 127" "$after" "layered=1 alpha=127"
check_eq "the code page is the old one after the program ends" "${before%% *}" "${after%% *}"
check_eq "WindowAlpha 166 under HKCU\\Console" "REG_DWORD 0xa6" "$(wine_reg_query 'HKCU\Console' WindowAlpha)"
check_eq "WindowAlpha 166 under the cmd key" "REG_DWORD 0xa6" "$(wine_reg_query "$cmd_key" WindowAlpha)"
check_eq "a missing Personalize key is not created" "" "$(wine_reg_query "$personalize" EnableTransparency)"

wine_reg_add "$personalize" EnableTransparency REG_DWORD 0
run_batch effects "$exe set 13" "$probe $(wine_path "$tmp/effects.txt")"
check_contains "set 13 gives alpha 33" "$(cat "$tmp/effects.txt" 2>/dev/null)" "layered=1 alpha=33"
check_eq "EnableTransparency becomes 1 where the key exists" "REG_DWORD 0x1" \
  "$(wine_reg_query "$personalize" EnableTransparency)"
check_eq "WindowAlpha for 13" "REG_DWORD 0x63" "$(wine_reg_query 'HKCU\Console' WindowAlpha)"

# Without a console window the registry is still written.
wine_run "$exe" set 80
check_eq "set without a console window: exit 0" 0 "$WINE_RC"
check_eq "set without a console window still stores WindowAlpha" "REG_DWORD 0xdb" \
  "$(wine_reg_query 'HKCU\Console' WindowAlpha)"
wine_run "$exe" SET
check_eq "SET: exit 1" 1 "$WINE_RC"
check_file_bytes "SET: the usage text on standard error" "$WINE_ERR" \
  '用法：frostpane.exe [check | set [透明度] [模糊] | restore | slider]\n  透明度：1~100（100 为不透明）\n  模糊：1 开启，0 关闭（仅 WT 亚克力模式有效）\n'
check_empty_file "SET: nothing on standard output" "$WINE_OUT"
check_eq "SET: the registry is untouched" "REG_DWORD 0xdb" "$(wine_reg_query 'HKCU\Console' WindowAlpha)"
wine_run "$exe" set abc
check_eq "set abc: exit 1" 1 "$WINE_RC"

# --- Inside Windows Terminal: LOCALAPPDATA points at a test folder.
local_dir=$tmp/local
state=$local_dir/Packages/Microsoft.WindowsTerminal_8wekyb3d8bbwe/LocalState
mkdir -p "$state"
wine_reg_add 'HKCU\Volatile Environment' LOCALAPPDATA REG_SZ "$(wine_path "$local_dir")"
WINE_ENV=(WT_SESSION=e2e)
settings=$state/settings.json
original=$'\xef\xbb\xbf{\r\n  // "opacity": 80,\r\n  "profiles": {\r\n    "defaults": {\r\n      "useAcrylic": true,\r\n      "acrylicOpacity": 0.5,\r\n      "font": { "face": "Cascadia" }\r\n    },\r\n    "list": [ { "name": "a", "opacity": 40 } ]\r\n  }\r\n}\r\n'
printf '%s' "$original" >"$settings"

wine_run "$exe" set 70 0
check_eq "set 70 0: exit 0" 0 "$WINE_RC"
check_empty_file "set 70 0: no message" "$WINE_ERR"
check_file_bytes "set 70 0: plain opacity in the defaults, everything else kept" "$settings" \
  '\xef\xbb\xbf{\r\n  // "opacity": 80,\r\n  "profiles": {\r\n    "defaults": { "opacity": 70, \r\n      "font": { "face": "Cascadia" }\r\n    },\r\n    "list": [ { "name": "a" } ]\r\n  }\r\n}\r\n'
wine_run "$exe" set 80
check_empty_file "set 80: no message" "$WINE_ERR"
check_file_bytes "set 80: acrylic 0.8 replaces the opacity" "$settings" \
  '\xef\xbb\xbf{\r\n  // "opacity": 80,\r\n  "profiles": {\r\n    "defaults": { "useAcrylic": true, "acrylicOpacity": 0.8,  "font": { "face": "Cascadia" }\r\n    },\r\n    "list": [ { "name": "a" } ]\r\n  }\r\n}\r\n'
ls "$state" >"$tmp/listing"
check_eq "no temporary file is left beside the settings" "settings.json" "$(cat "$tmp/listing")"

# A symbolic link stays a link; its target receives the content.
mv "$settings" "$state/real.json"
ln -s real.json "$settings"
wine_run "$exe" set 25
check_true "the settings link is still a link" test -L "$settings"
check_contains "its target holds the edit" "$(cat "$state/real.json")" '"acrylicOpacity": 0.2,'
rm "$settings"; mv "$state/real.json" "$settings"

# A read-only file: the write message, the bytes stay.
cp "$settings" "$tmp/kept"
chmod 444 "$settings"
wine_run "$exe" set 45
check_eq "read-only settings: exit 0" 0 "$WINE_RC"
check_file_bytes "read-only settings: the write message" "$WINE_ERR" '错误：无法写入 settings.json。\n'
check_file_eq "read-only settings: the bytes stay" "$tmp/kept" "$settings"
chmod 644 "$settings"

# No anchor: the message, the file untouched.
printf '{"profiles": [ {"opacity": 10,} ]}' >"$settings"
cp "$settings" "$tmp/kept"
wine_run "$exe" set 60 0
check_file_bytes "no defaults section: the message" "$WINE_ERR" '错误：找不到 "profiles": { "defaults": { 配置段。\n'
check_file_eq "no defaults section: the file is untouched" "$tmp/kept" "$settings"

# A missing file: the read message, nothing created.
rm "$settings"
wine_run "$exe" set 50
check_eq "missing settings: exit 0" 0 "$WINE_RC"
check_file_bytes "missing settings: the read message" "$WINE_ERR" \
  '错误：无法读取 settings.json，请确认已安装 Windows Terminal。\n'
check_true "missing settings: nothing is created" test ! -e "$settings"

# LOCALAPPDATA missing or too long (260 characters): the message and exit 1.
wine_run cmd /c "set LOCALAPPDATA=&& $exe set 50"
check_eq "missing LOCALAPPDATA: exit 1" 1 "$WINE_RC"
check_file_bytes "missing LOCALAPPDATA: the message" "$WINE_ERR" '错误：未找到 LOCALAPPDATA 环境变量。\n'
# 259 characters still work (the settings path then passes 260: the wide path carries it).
base=$(wine_path "$tmp")
need=$((259 - ${#base} - 2))
d1=$(printf 'd%.0s' $(seq 1 $((need / 2))))
d2=$(printf 'e%.0s' $(seq 1 $((need - need / 2))))
long_state=$tmp/$d1/$d2/Packages/Microsoft.WindowsTerminal_8wekyb3d8bbwe/LocalState
mkdir -p "$long_state"
printf '{"profiles": {"defaults": {}}}' >"$long_state/settings.json"
wine_run cmd /c "set LOCALAPPDATA=$base\\$d1\\$d2&& $exe set 40 0"
check_eq "259-character LOCALAPPDATA: exit 0" 0 "$WINE_RC"
check_file_bytes "259-character LOCALAPPDATA: the file is edited" "$long_state/settings.json" \
  '{"profiles": {"defaults": { "opacity": 40}}}'
long="Z:\\$(printf 'a%.0s' $(seq 1 257))"
wine_run cmd /c "set LOCALAPPDATA=$long&& $exe set 50"
check_eq "260-character LOCALAPPDATA: exit 1" 1 "$WINE_RC"
check_file_bytes "260-character LOCALAPPDATA: the message" "$WINE_ERR" '错误：未找到 LOCALAPPDATA 环境变量。\n'
wine_reg_delete 'HKCU\Volatile Environment' LOCALAPPDATA
finish
