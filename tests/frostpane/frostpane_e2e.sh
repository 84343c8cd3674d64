# Shared set-up of the frostpane end-to-end scripts: the runners, a scratch folder, a fresh Wine
# prefix for the group, the programs by their Windows paths, the registry keys, and a batch
# runner so that several programs share one console (tmux pane).
#
#   . frostpane_e2e.sh GROUP   (from a script run by ctest; VM_SRC and VM_BIN are set)
# shellcheck shell=bash
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/wine.sh"
. "$VM_SRC/tests/lib/console.sh"

tmp=$(mktemp -d "/tmp/$1.XXXXXX")
trap 'con_stop; wine_stop_group; chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
wine_reset_group "$1"
exe=$(wine_path "$VM_BIN/frostpane.exe")
probe=$(wine_path "$VM_BIN/frostpane_console_probe.exe")
personalize='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Themes\Personalize'
cmd_key='HKCU\Console\C:_windows_System32_cmd.exe'
con_start

# The Windows path of a file in the scratch folder.
tmp_win() { wine_path "$tmp/$1"; }

# write_batch NAME LINES...: a batch file of these lines (not echoed); prints its Windows path.
write_batch() {
  local name=$1; shift
  printf '@%s\r\n' "$@" >"$tmp/$name.bat"
  tmp_win "$name.bat"
}

# run_batch NAME LINES...: runs the lines in one console and waits for the end; 1 when it hangs.
run_batch() {
  local name=$1 batch; shift
  batch=$(write_batch "$name" "$@")
  con_run_exe "$name" "cmd /c $(printf '%q' "$batch")"
  local status
  status=$(con_wait_dead "$name" 20000)
  con_kill "$name"
  [ "$status" != running ]
}
