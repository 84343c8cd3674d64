# Sourced by scripts/demo.sh: the transparency tool's status report under Wine.
# Its texts are UTF-8; piping through cat keeps Wine's console from re-decoding them.
if [ -e build/mingw-x86/bin/frostpane.exe ]; then
  echo "== frostpane.exe check (Wine, 32-bit)"
  /usr/lib/wine/wine "$(wine_path "$PWD/build/mingw-x86/bin/frostpane.exe")" check </dev/null 2>&1 | cat
fi
