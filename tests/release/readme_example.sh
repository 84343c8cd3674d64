#!/usr/bin/env bash
# The README's C example is examples/hello_menu.c word for word, so what readers copy compiles.
set -u
. "$VM_SRC/tests/lib/assert.sh"
block=$(sed -n '/<!-- begin examples\/hello_menu.c -->/,/<!-- end examples\/hello_menu.c -->/p' "$VM_SRC/README.md" | sed '1,2d;$d' | sed '$d')
check_eq "README shows examples/hello_menu.c unchanged" "$(cat "$VM_SRC/examples/hello_menu.c")" "$block"
for png in rainbanner slider single multi scroll; do
  check_true "README picture docs/$png.png exists" test -s "$VM_SRC/docs/$png.png"
done
out=$(printf '2\nBob\n' | "$VM_BIN/hello_menu" 2>&1)
check_contains "hello_menu picks the second fruit from redirected input" "$out" "fruit: pear"
check_contains "hello_menu reads the name" "$out" "hello, Bob"
finish
