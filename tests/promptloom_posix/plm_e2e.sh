# Shared set-up of the promptloom terminal tests: assertions, the tmux runner with its private
# server, a scratch folder removed at exit. The demo program runs in a tmux pane inside a shell
# that records the terminal settings before and after it and then stays alive, so the pane's
# mouse flags can still be read.
#   demo_start NAME 'DEMO ARGS' [ENV...]  start it (pane W x H); the result lines also go to
#                                 $tmp/NAME.res; ENV words (VAR=value) go into its environment
#   demo_finish NAME              wait for the end; check settings and mouse flags restored
#   demo_result NAME STEP         the result line of STEP ("PLM_RESULT STEP ...")
#   screen_row NAME ROW           the text of 0-based screen row ROW once the screen is quiet
#   demo_row NAME TEXT            0-based screen row of the first line that contains TEXT
#   sgr NAME BUTTON X Y [m]       send an SGR mouse report for 0-based cell X,Y (press, or release with m)
#   hangup_ends NAME WHAT PIDFILE  end the pane's terminal under a program that ignores SIGHUP;
#                                 passes when the program ends within 3 s (not spinning on)
# shellcheck shell=bash
set -u
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/console.sh"
tmp=$(mktemp -d)
trap 'con_stop; rm -rf "$tmp"' EXIT
con_start
demo=$VM_BIN/plm_demo

demo_start() {
  local name=$1 args=$2
  shift 2
  : >"$tmp/$name.res"
  con_run "$name" "sh -c 'stty -g >$tmp/$name.before; $demo --results $tmp/$name.res $args; echo \"rc=\$?\"; stty -g >$tmp/$name.after; echo DONE; exec sleep 600'" "$@"
}
demo_finish() {
  local name=$1
  if ! con_wait "$name" DONE 5000; then fail "$name: the demo did not end" "$(con_cap "$name")"; return 1; fi
  check_eq "$name: terminal settings identical before and after (stty -g)" \
    "$(cat "$tmp/$name.before")" "$(cat "$tmp/$name.after")"
  check_eq "$name: mouse reporting off afterwards" "0 0 0" \
    "$(T display -p -t "$name" '#{mouse_any_flag} #{mouse_sgr_flag} #{mouse_all_flag}')"
  con_kill "$name"
}
demo_result() { grep -a "^PLM_RESULT $2 " "$tmp/$1.res" | tail -n 1; }
screen_row() { con_settle "$1" >/dev/null; con_cap "$1" | sed -n "$(($2 + 1))p" | sed 's/ *$//'; }
demo_row() { con_cap "$1" | grep -n -F -- "$2" | head -n 1 | cut -d: -f1 | awk '{print $1 - 1}'; }
sgr() {
  local hex final=M
  [ "${5:-}" = m ] && final=m
  hex=$(printf '\033[<%d;%d;%d%s' "$2" $(($3 + 1)) $(($4 + 1)) "$final" | od -An -tx1 | tr -s ' \n' ' ')
  # shellcheck disable=SC2086
  con_key "$1" -H $hex
}
hangup_ends() {
  local name=$1 what=$2 pid end
  pid=$(cat "$3")
  con_kill "$name"
  end=$(( $(date +%s%3N) + 3000 ))
  while kill -0 "$pid" 2>/dev/null && [ "$(date +%s%3N)" -lt "$end" ]; do sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$what ends when its terminal goes away" "still running: $(ps -o pid=,pcpu=,stat= -p "$pid")"
    kill -9 "$pid" 2>/dev/null
  else
    pass "$what ends when its terminal goes away"
  fi
}
