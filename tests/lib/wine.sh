# Wine runner for end-to-end scripts: an isolated prefix per test group, created once and reused,
# with a persistent wineserver; runs a program with arguments and environment and captures
# standard output and standard error as bytes, plus the exit code.
#
#   wine_group NAME          select (and create on first use) the prefix of test group NAME;
#                            exports WINEPREFIX. Prefixes live under $VM_WINE_HOME
#                            (default ~/.cache/velmora-wine). When the prefix cannot be made
#                            it records a failed check and returns 1: end the script there
#                            (`wine_group NAME || finish`), since nothing after it can pass.
#   wine_reset_group NAME    the same, but starts from a fresh prefix (registry and files clean)
#   wine_run EXE [ARGS...]   the loader of this build tree's programs ($VM_WINE; the 32-bit one
#                            when unset); wine64_run for 64-bit programs. Standard input comes
#                            from $WINE_STDIN (default: an empty file — not /dev/null, which
#                            Wine treats as a console). Results: $WINE_OUT and $WINE_ERR (files),
#                            $WINE_RC. Extra environment: set WINE_ENV=(VAR=value ...).
#   wine_reg_query KEY VALUE print "TYPE DATA" of a registry value, or nothing when it is absent
#   wine_reg_add KEY VALUE TYPE DATA / wine_reg_delete KEY [VALUE]
#   wine_path UNIX_PATH      the Windows (Z:) form of a Unix path
#   wine_cleanup             remove this script's scratch files (call from an EXIT trap); the
#                            group's wineserver is left to other scripts and ends by itself
# shellcheck shell=bash
VM_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/lib/wineprefix.sh
. "$VM_LIB_DIR/wineprefix.sh"

export WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml=
VM_WINE_HOME=${VM_WINE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora-wine}
WINE_TMP=$(mktemp -d "${TMPDIR:-/tmp}/vmwine.XXXXXX")
WINE_OUT=$WINE_TMP/stdout
WINE_ERR=$WINE_TMP/stderr
WINE_ENV=()
WINE_RC=0

wine_group() {
  export WINEPREFIX=$VM_WINE_HOME/$1
  vm_wineprefix_ready "$WINEPREFIX" && return 0
  if declare -F fail >/dev/null; then fail "cannot create Wine prefix $WINEPREFIX"; else echo "cannot create Wine prefix $WINEPREFIX" >&2; fi
  return 1
}
wine_reset_group() {
  local pfx=$VM_WINE_HOME/$1
  WINEPREFIX=$pfx wineserver -k >/dev/null 2>&1 || true
  rm -rf "$pfx"
  wine_group "$1"
}
_wine_exec() {
  local loader=$1; shift
  local stdin=${WINE_STDIN:-$WINE_TMP/empty-stdin}
  : >"$WINE_TMP/empty-stdin"
  env "${WINE_ENV[@]}" "$loader" "$@" <"$stdin" >"$WINE_OUT" 2>"$WINE_ERR"
  WINE_RC=$?
}
wine_run() { _wine_exec "${VM_WINE:-/usr/lib/wine/wine}" "$@"; }
wine64_run() { _wine_exec /usr/lib/wine/wine64 "$@"; }
wine_reg_query() {
  /usr/lib/wine/wine64 reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1==v {print $2, $3}'
}
wine_reg_add() { /usr/lib/wine/wine64 reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1; }
wine_reg_delete() {
  if [ $# -gt 1 ]; then /usr/lib/wine/wine64 reg delete "$1" /v "$2" /f >/dev/null 2>&1
  else /usr/lib/wine/wine64 reg delete "$1" /f >/dev/null 2>&1; fi
}
wine_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
wine_cleanup() { rm -rf "$WINE_TMP"; }
