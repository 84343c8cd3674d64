#!/usr/bin/env bash
# The prompt and the numbered menu without a terminal, through the real library (the shared
# library natively, promptloom.dll under Wine) and a C caller: standard input from a file,
# standard output compared byte for byte. Under Wine the C runtime writes text mode, so every
# line feed the library or the caller prints arrives as CR LF.
# shellcheck source=tests/lib/assert.sh
. "$VM_SRC/tests/lib/assert.sh"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"; [ "$VM_TARGET" = x64 ] && wine_stop_group' EXIT

case "$VM_TARGET" in
  native)
    client() { "$VM_BIN/plm_prompt_client" "$@" <"$TMP/in" >"$TMP/out" 2>"$TMP/err"; RC=$?; }
    EOL='\n' ;;
  x64)
    # shellcheck source=tests/lib/wine.sh
    . "$VM_SRC/tests/lib/wine.sh"
    wine_group plm-prompt || exit 1
    client() { WINE_STDIN=$TMP/in wine64_run "$VM_BIN/plm_prompt_client.exe" "$@"; RC=$WINE_RC
               cp "$WINE_OUT" "$TMP/out"; cp "$WINE_ERR" "$TMP/err"; }
    EOL='\r\n' ;;
  *) echo "skip: the library is built for native and x64 only"; exit 0 ;;
esac

# case NAME INPUT EXPECTED CALLS... : INPUT is printf'ed into standard input; EXPECTED is the
# output with \n for each line end the program prints.
case_() {
  local name=$1 input=$2 expected=$3; shift 3
  printf -- "$input" >"$TMP/in"
  client "$@"
  check_eq "$name: exit" 0 "$RC"
  check_file_bytes "$name: output" "$TMP/out" "${expected//\\n/$EOL}"
  check_empty_file "$name: no error output" "$TMP/err"
}

case_ "one line per call, CR LF removed, -3 at the end" 'first\r\nsecond\n' \
  'VLM> prompt rc=0 [first]\nVLM> prompt rc=0 [second]\nVLM> prompt rc=-3 []\nhistory count=0\n' \
  prompt prompt prompt history
case_ "a last line without line end" 'only' 'VLM> prompt rc=0 [only]\nVLM> prompt rc=-3 []\n' prompt prompt
case_ "own prompt text and an empty one" 'a\nb\n' 'ask? prompt rc=0 [a]\nprompt rc=0 [b]\n' 'prompt:ask? ' 'prompt:'
case_ "a 10-byte line into 10 bytes" '0123456789\n012345678\n' \
  'VLM> small rc=-1 [untouched]\nVLM> small rc=0 [012345678]\n' small small
case_ "empty input" '' 'VLM> prompt rc=-3 []\n' prompt

menu_out='Pick one\n  1. a\n  2. b\n  3. c\n'
answers=("3:2" ":0" "0:0" "4:0" "abc:0" " 2:1" "2x:1" "-1:0" "+2:1")
for a in "${answers[@]}"; do
  case_ "menu answer '${a%%:*}'" "${a%%:*}\n" "${menu_out}menu rc=0 index=${a##*:}\n" "menu:0:a,b,c"
done
case_ "menu default 7 with 3 items" '\n' "${menu_out}menu rc=0 index=0\n" "menu:7:a,b,c"
case_ "menu default 2 kept" 'x\n' "${menu_out}menu rc=0 index=2\n" "menu:2:a,b,c"
case_ "menu at end of input" '' "${menu_out}menu rc=-3 index=999\n" "menu:0:a,b,c"
twelve='Pick one\n'
for i in $(seq 1 12); do twelve+="  $i. i$i\n"; done
case_ "12 items, numbers not padded" '10\n' "${twelve}menu rc=0 index=9\n" "menu:0:i1,i2,i3,i4,i5,i6,i7,i8,i9,i10,i11,i12"
finish
