# Console runner for end-to-end scripts: a program in a tmux pane of a given size, keys or raw
# bytes sent to it, the screen captured once it has gone quiet. Works for native programs and,
# with LOADER set, for Windows programs under Wine (source wine.sh and call wine_group first).
#
#   con_start                    start the private tmux server (socket per script); call once; when
#                                it cannot, a failed check is recorded (`con_start || finish`)
#   con_run NAME 'CMD' [ENV...]  run the shell command CMD (quote paths with printf %q: Z:\ paths
#                                have backslashes) in a fresh pane (size W x H, default 100 x 30);
#                                ENV words (VAR=value) go into the pane's environment
#   con_run_exe NAME 'EXE ARGS'  the same for a Windows program, under $LOADER (default: $VM_WINE,
#                                the loader of this build tree's programs)
#   con_wait NAME TEXT [MS]      wait until TEXT is on the screen (default 5000 ms); 1 on timeout
#   con_settle NAME [MS]         wait until screen and cursor stop changing for 150 ms
#   con_wait_reading NAME [MS]   wait until the program reads keys one by one: the pane's terminal
#                                leaves line mode (Wine's console host switches it only when the
#                                program first reads, so keys sent before would be echoed and held)
#   con_key NAME KEYS...         tmux send-keys, then 50 ms (Escape merges with a following key
#                                when sent faster); use -l TEXT for literal text, -H xx.. for bytes
#   con_cap NAME                 the screen as text; con_cap_e with colour escapes
#   con_cursor NAME              "x,y" of the cursor
#   con_wait_dead NAME [MS]      wait until the program has ended; prints its exit status
#   con_kill NAME                end the pane's session
#   con_stop                     kill the private server (call from an EXIT trap)
# shellcheck shell=bash
VM_TMUX_SOCKET=${VM_TMUX_SOCKET:-vm-$$-$RANDOM}
T() { tmux -L "$VM_TMUX_SOCKET" "$@"; }

con_start() {
  # A keeper session holds the server up, so new sessions never race a server that is exiting.
  if ! T -f /dev/null new-session -d -s keeper "sleep 86400"; then
    if declare -F fail >/dev/null; then fail "cannot start a tmux server"; fi
    return 1
  fi
  T set -g remain-on-exit on
  T set -g remain-on-exit-format '' 2>/dev/null || true
  T set -g history-limit 5000
}
con_run() {
  local name=$1 cmd=$2; shift 2
  local envs=("LANG=C.UTF-8" "TERM=${VM_TERM:-xterm-256color}" "$@")
  [ -n "${WINEPREFIX:-}" ] && envs+=("WINEPREFIX=$WINEPREFIX" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
  T new-session -d -s "$name" -x "${W:-100}" -y "${H:-30}" "env ${envs[*]} $cmd"
}
con_run_exe() { local name=$1 cmd=$2; shift 2; con_run "$name" "${LOADER:-${VM_WINE:-/usr/lib/wine/wine}} $cmd" "$@"; }
_con_now() { date +%s%3N; }
con_wait() {
  local end=$(( $(_con_now) + ${3:-5000} ))
  until T capture-pane -p -t "$1" 2>/dev/null | grep -qF -- "$2"; do
    [ "$(_con_now)" -ge "$end" ] && return 1
    sleep 0.02
  done
}
con_settle() {
  local last="" cur since end
  since=$(_con_now); end=$(( since + ${2:-3000} ))
  while [ "$(_con_now)" -lt "$end" ]; do
    cur=$(T capture-pane -p -e -t "$1"; T display -p -t "$1" '#{cursor_x},#{cursor_y}')
    if [ "$cur" != "$last" ]; then last=$cur; since=$(_con_now)
    elif [ $(( $(_con_now) - since )) -ge 150 ]; then return 0; fi
    sleep 0.02
  done
  return 1
}
con_wait_reading() {
  local end=$(( $(_con_now) + ${2:-10000} )) tty
  tty=$(T display -p -t "$1" '#{pane_tty}') || return 1
  until stty -a <"$tty" 2>/dev/null | grep -q -- '-icanon'; do
    [ "$(_con_now)" -ge "$end" ] && return 1
    sleep 0.02
  done
}
con_key() { T send-keys -t "$1" "${@:2}"; sleep 0.05; }
con_cap() { T capture-pane -p -t "$1"; }
con_cap_e() { T capture-pane -p -e -t "$1"; }
con_cursor() { T display -p -t "$1" '#{cursor_x},#{cursor_y}'; }
con_wait_dead() {
  local end=$(( $(_con_now) + ${2:-5000} )) state
  while :; do
    state=$(T display -p -t "$1" '#{pane_dead} #{pane_dead_status}' 2>/dev/null)
    case "$state" in "1 "*) echo "${state#1 }"; return 0 ;; esac
    [ "$(_con_now)" -ge "$end" ] && { echo "running"; return 1; }
    sleep 0.02
  done
}
con_kill() { T kill-session -t "$1" 2>/dev/null || true; }
con_stop() { T kill-server 2>/dev/null || true; }
