# Sourced by scripts/demo.sh: the promptloom demo program (native, on the POSIX back end). On a
# terminal a person works the prompt and menus (a call they cancel is no failure of the demo);
# otherwise the plain-text fallbacks answer lines given here, and each must succeed.
if [ -t 0 ] && [ -t 1 ]; then
  echo "== promptloom demo (native): a prompt, the numbered menu, both interactive menus"
  echo "   (Enter accepts; in the menus arrows, digits, the mouse; Space ticks; Escape cancels)"
  build/native/bin/plm_demo --title "Pick a fruit" || true
else
  echo "== promptloom demo (native, no terminal: the plain-text fallbacks)"
  printf 'hello\n2\n3\n1,3\n' | build/native/bin/plm_demo --title "Pick a fruit" | cat
  echo
fi
