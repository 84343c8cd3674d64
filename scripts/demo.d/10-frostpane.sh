# Sourced by scripts/demo.sh: the transparency tool's status report under Wine.
# Its texts are UTF-8; piping through cat keeps Wine's console from re-decoding them.
echo "== frostpane.exe check (Wine, $X86_BIN)"
"$X86_WINE" "$(wine_path "$PWD/$X86_BIN/frostpane.exe")" check </dev/null 2>&1 | cat
