#!/usr/bin/env bash
# The shared library as callers see it, natively and as promptloom.dll under Wine: the header's 19
# functions exported and found by name; plain-text answers with redirected stdio (CR LF under Wine).
# Under Wine menus and the prompt in tmux and in a driven console; natively the installed package.
# Usage: library_e2e.sh LIBRARY CLIENT DEMO
# shellcheck disable=SC2046,SC2086
set -u
. "$VM_SRC/tests/lib/assert.sh"
lib=$1 client=$2 demo=$3 tmp=$(mktemp -d)
trap 'rm -rf "$tmp"; [ "$VM_TARGET" = x64 ] && { T list-panes -a -F "#{pane_pid}" | xargs -r kill -9; con_stop; wine_cleanup; }' EXIT
names=$(sed -n 's/^PLM_API [^(]*\b\(plm_[a-z_]*\)(.*/\1/p' "$VM_SRC/promptloom/include/promptloom.h" | sort)
if [ "$VM_TARGET" = x64 ]; then
  . "$VM_SRC/tests/lib/wine.sh" && . "$VM_SRC/tests/lib/console.sh"
  wine_group promptloom || finish
  exports=$(x86_64-w64-mingw32-objdump -p "$lib" | sed -n '/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] *//p')
  lib=$(basename "$lib") eol=$'\r\n' # LoadLibrary finds it beside the programs by its name
  run() { WINE_STDIN=$tmp/in wine64_run "$@"; cat "$WINE_OUT" "$WINE_ERR"; echo "rc=$WINE_RC"; }
else
  exports=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^_' | sed 's/@.*//') eol=$'\n'
  run() { "$@" <"$tmp/in" 2>&1; echo "rc=$?"; }
fi

# Standard input (printf format) | demo steps over two items | output, "PLM_RESULT" and "status=" left out
while IFS='|' read -r input steps want; do
  printf '%b' "$input" >"$tmp/in"
    check_eq "redirected: $steps <<< '$input'" "${want//\\n/$eol}" \
    "$(run "$demo" --items 2 $steps | sed 's/PLM_RESULT \([a-z]*\) status=/\1 /')"
done <<'ROWS'
first\r\nlast|prompt prompt prompt|demo> prompt 0 line="first"\ndemo> prompt 0 line="last"\ndemo> prompt -3\nrc=1
2\n|menu|  1. item 1\n  2. item 2\nmenu 0 index=1\nrc=0
1,2\n|multi|  1. item 1\n  2. item 2\n选择（以逗号分隔索引）: multi 0 ticked=0,1\nrc=0
|single|  1. item 1\n  2. item 2\nsingle -3\nVLM_MENU_RESULT_OVERRIDE unset\nrc=1
ROWS
check_eq "exported: exactly the 19 functions of the header" "$names" "$(echo "$exports" | sort)"
check_eq "loaded by name, all 19 found" "resolved 19 of 19${eol}rc=0" "$(run "$client" "$lib" $names)"

if [ "$VM_TARGET" = x64 ]; then
  # The VT path in tmux, where the terminal carries out the sequences that Wine's console passes on.
  con_start || finish # a wide pane: the console counts escape bytes as cells
  c=$(printf %q "$(wine_path "$client")") d=$(printf %q "$(wine_path "$demo")")
  W=2000 H=8 LOADER=/usr/lib/wine/wine64 con_run_exe menu "$c $lib menu"
  W=2000 H=5 LOADER=/usr/lib/wine/wine64 con_run_exe multi "$d --items 3 multi"
  W=2000 H=4 LOADER=/usr/lib/wine/wine64 con_run_exe prompt "$d prompt"
  con_wait menu "  3. gamma" 20000 && con_wait_reading menu && con_key menu -l 3 && con_key menu Enter
  con_wait multi 确定 20000 && con_wait_reading multi && con_key multi Space && con_wait multi "[✓]1. item 1"
  con_wait prompt demo 20000 && con_wait_reading prompt && con_key prompt -l 选择 && con_wait prompt "demo> 选择"
  con_wait menu "menu rc" && con_settle multi && con_settle prompt

  # The console driver: input records in, the screen (drawn with console calls) read back and compared
  # whole, and with the rows that tmux showed drawn with VT sequences where it showed the same screen.
  drive() { # NAME ENVIRONMENT DRIVER-ARGUMENTS..., the report on standard input
    WINE_ENV=(VLM_FORCE_CONSOLE_OUTPUT=1 $2) && wine64_run "$VM_BIN/console_driver.exe" "${@:3}"
    check_eq "console: $1" "$(cat)" "$(cat "$WINE_OUT")"; }
  same_as_tmux() { check_eq "console: the $1 rows as tmux shows them" "$(con_cap "$1" | head -n "$3")" \
    "$(sed -n "${2}s/ *|$//p" "$WINE_OUT")"; }
  drive "mouse records: a double click chooses; a click ticks, the wheel and the pointer move, 确定 confirms" \
    VLM_FORCE_CONSOLE_INPUT=1 --size 40x10 reading double=3,21 click=2,25 wait='[✓]1. item 1' rows=25-28 \
    wheel=0,20,down wheel=0,20,down key=Space wheel=0,20,up key=Space move=2,25 key=Space click=2,28 exit \
    rows=20-23 rows=30-30 attrs=20-21 attrs=26-26 attrs=28-28 -- plm_demo.exe --items 3 single multi <<'REPORT'
[✓]1. item 1                            |
[ ]2. item 2                            |
[ ]3. item 3                            |
确定                                      |
exit 0, modes kept
  1. item 1                             |
2. item 2                               |
  3. item 3                             |
PLM_RESULT single status=0 index=1      |
PLM_RESULT multi status=0 ticked=1,2    |
7 7 9 9 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7
800f 800f 800f 800f 800f 800f 800f 800f 800f 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7
b b b b b b b b b b b b 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7
800f 800f 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7
REPORT
  same_as_tmux multi 1,4 4
  drive "Escape cancels both menus; in vi mode one Escape reaches normal mode (0x: line bc)" VLM_ESCAPE_MS=20 \
    reading key=Escape key=Escape type=abc key=Escape type=0x key=Enter exit \
    -- plm_demo.exe --vi --items 2 --results "$(wine_path "$tmp/results")" single multi prompt <<<"exit 1, modes kept"
  check_eq "console: what the Escapes left" $'PLM_RESULT single status=-1\r\nVLM_MENU_RESULT_OVERRIDE unset\r
PLM_RESULT multi status=-1\r\nPLM_RESULT prompt status=0 line="bc"\r' "$(cat "$tmp/results")"
  drive "a window-buffer-size record: laid out for 10 columns, highlight and typed digits kept" "" --size 14x5 \
    reading key=Down type=5 wait='v 5' size=10x5 key=Escape exit rows=20-24 -- plm_demo.exe --items 6 single <<'REPORT'
exit 1, modes kept
  1. ite> |
2. item 2 |
  3. ite> |
  4. ite> |
v 5       |
REPORT
  drive "a window-buffer-size record: the multi-choice menu laid out again, ticks and focus kept" "" --size 24x6 \
    reading key=Space key=Down key=Space key=End wait='^ SPACE' size=10x6 wait='^ SPACE=>' key=Enter exit rows=20-25 \
    attrs=24-24 -- plm_demo.exe --items 5 multi <<'REPORT'
exit 0, modes kept
[✓]2. it> |
[ ]3. it> |
[ ]4. it> |
[ ]5. it> |
确定        |
^ SPACE=> |
800f 800f 7 7 7 7 7 7 7 7
REPORT
  drive "Ctrl+C swallowed in the menu, ending the process afterwards; foreign text shown, not obeyed" "" \
    --size 40x8 reading wait='  3. gamma' ctrl-c type=3 key=Enter wait='menu rc=0 index=2' ctrl-c exit rows=20-24 \
    -- plm_client.exe promptloom.dll menu wait <<'REPORT'
exit 0, modes kept
Pick^[]0;T^G one                        |
  1. alpha                              |
2. a^[[2Jb                              |
  3. gamma 选择选择选择                       |
menu rc=0 index=2                       |
REPORT
  same_as_tmux menu 2,5 4
  drive "Chinese as key records, returned as UTF-8; at 12 columns no wide character straddles the edge" "" \
    --size 40x4 reading type=选择 wait='demo> 选择' rows=20-20 size=12x4 type=选择ab key=Home type=x \
    wait='demo> x' rows=20-20 size=90x4 key=Enter exit rows=20-21 -- plm_demo.exe prompt <<'REPORT'
demo> 选择                                |
demo> x选择   |
exit 0, modes kept
demo> x选择选择ab                                                                             |
PLM_RESULT prompt status=0 line="x\xe9\x80\x89\xe6\x8b\xa9\xe9\x80\x89\xe6\x8b\xa9ab"     |
REPORT
  same_as_tmux prompt 1 1
else
  p=$tmp/prefix
  cmake --install "$VM_BUILD" --component promptloom --prefix "$p" >"$tmp/log" 2>&1
  san=$(ldd "$lib" | grep -q libasan && echo -fsanitize=address,undefined) # the same runtime as the library
  cc -std=c11 $san -o "$tmp/pc" "$VM_SRC/examples/hello_menu.c" \
    $(PKG_CONFIG_PATH=$p/lib/pkgconfig pkg-config --cflags --libs promptloom) >>"$tmp/log" 2>&1
  cmake -S "$VM_SRC/examples/consumer" -B "$tmp/cm" -G Ninja -DCMAKE_PREFIX_PATH="$p" -DCMAKE_C_FLAGS="$san" \
    >>"$tmp/log" 2>&1 && cmake --build "$tmp/cm" >>"$tmp/log" 2>&1
  printf '2\nBob\n' >"$tmp/in"
  check_eq "installed: hello_menu built through pkg-config and through find_package runs" "fruit: pear|fruit: pear" \
    "$(LD_LIBRARY_PATH=$p/lib run "$tmp/pc" | grep ^f)|$(run "$tmp/cm/hello_menu" | grep ^f)"
  [ "$VM_FAILED" = 0 ] || tail -n 20 "$tmp/log"
fi
finish
