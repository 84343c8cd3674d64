# Sourced by scripts/make-screenshots.sh: both interactive menus of the demo program, natively.
W=64 H=12 con_run single "printf 'Some output above the menu\n'; build/native/bin/plm_demo --title 'Pick a fruit' single; sleep 60"
con_wait single 'Pick a fruit'
con_key single Down; con_key single Down
shot single 64
con_key single Enter
W=64 H=12 con_run multi "build/native/bin/plm_demo --title 'Fruit basket' multi; sleep 60"
con_wait multi 'Fruit basket'
con_key multi Space; con_key multi Down; con_key multi Down; con_key multi Space; con_key multi Down
shot multi 64
con_key multi Enter
# A list longer than the window scrolls; the status row shows the markers and typed digits.
W=64 H=10 con_run scroll "build/native/bin/plm_demo --items 40 --title 'Forty items' single; sleep 60"
con_wait scroll 'Forty items'
for _ in 1 2 3 4 5 6 7 8 9; do con_key scroll Down; done
con_key scroll -l 2
shot scroll 64
con_key scroll Escape
