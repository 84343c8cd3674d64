#!/usr/bin/env bash
# Makes the README's pictures from real runs: each program runs in a tmux pane, the screen is
# captured with its colours and rendered to docs/*.png by scripts/screenshot.py.
# Needs the native and mingw-x86 builds (scripts/build.sh); where 32-bit programs cannot run,
# the slider is shown by its x86-64 build (mingw-x86-on-x64), which build.sh makes there.
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/lib/console.sh
. tests/lib/wine.sh
wine_reset_group screenshots
. scripts/x86-programs.sh
trap 'con_stop; wine_cleanup' EXIT
con_start
mkdir -p docs
shot() {  # shot NAME COLS: capture pane NAME and render it COLS wide
  con_settle "$1" 3000 || true
  con_cap_e "$1" >"$WINE_TMP/$1.txt"
  /usr/bin/python3 scripts/screenshot.py "$WINE_TMP/$1.txt" "docs/$1.png" --cols "$2"
  echo "docs/$1.png"
}
q() { printf '%q' "$1"; }

# The banner on a 24-bit colour terminal.
W=60 H=7 con_run rainbanner "build/native/bin/rainbanner; sleep 60"
con_wait rainbanner '\__/_|'
shot rainbanner 50

# The slider in a classic console under Wine. Wine's console counts escape bytes as cells, so
# the pane is wide and the picture is cut to the visible width.
frost=$(q "$(wine_path "$PWD/$X86_BIN/frostpane.exe")")
W=300 H=6 LOADER=$X86_WINE con_run_exe slider "$frost slider"
con_wait slider 'Enter/Esc' 15000
for _ in $(seq 35); do con_key slider Left; done
shot slider 80
con_key slider Enter

for extra in scripts/screenshots.d/*.sh; do
  [ -e "$extra" ] && . "$extra"
done
exit 0
