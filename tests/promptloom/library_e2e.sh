#!/usr/bin/env bash
# The shared library as callers see it, natively and as promptloom.dll under Wine: the header's 19
# functions exported and found by name; plain-text answers with redirected stdio (CR LF under Wine).
# Under Wine a menu in a real console; natively the installed package as a caller's build finds it.
# Usage: library_e2e.sh LIBRARY CLIENT DEMO
# shellcheck disable=SC2046,SC2086
set -u
. "$VM_SRC/tests/lib/assert.sh"
lib=$1 client=$2 demo=$3 tmp=$(mktemp -d)
trap 'rm -rf "$tmp"; [ "$VM_TARGET" = x64 ] && { con_stop; wine_cleanup; }' EXIT
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
  con_start || finish # a wide pane: the console counts escape bytes as cells
  W=2000 H=20 LOADER=/usr/lib/wine/wine64 con_run_exe con "$(printf %q "$(wine_path "$client")") $lib menu"
  con_wait con "3. gamma" 20000 && con_wait_reading con && con_key con -l 3 && con_key con Enter &&
    con_wait con modes 10000 && con_settle con
  check_eq "console: 3 and Enter choose gamma, the console modes put back; an item shown, not obeyed" \
    "Pick one|2. a^[[2Jb|menu rc=0 index=2 modes kept|" \
    "$(con_cap con | grep -o 'Pick one\|2\. a^\[\[2Jb\|menu rc=.*' | sed 's/ *$//' | tr '\n' '|')"
  W=2000 LOADER=/usr/lib/wine/wine64 con_run_exe pr "$(printf %q "$(wine_path "$client")") $lib prompt"
  con_wait pr "VLM>" 20000 && con_wait_reading pr && con_key pr -l 选择 && con_wait pr "VLM> 选择" 10000
  echoed=$? && con_key pr Enter && con_wait pr "prompt rc" 20000 && con_settle pr
  check_eq "console: typed 选择 shown whole before Enter, returned as UTF-8" "0 prompt rc=0 e9 80 89 e6 8b a9" \
    "$echoed $(con_cap pr | grep -o 'prompt rc=[0-9a-f ]*[0-9a-f]')"
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
