# Assertions for end-to-end scripts. Each check prints one line; `finish` prints the closing
# "N passed, N failed" line and exits non-zero when anything failed.
# shellcheck shell=bash
VM_PASSED=0
VM_FAILED=0

pass() { VM_PASSED=$((VM_PASSED + 1)); echo "ok   $1"; }
fail() { VM_FAILED=$((VM_FAILED + 1)); echo "FAIL $1"; [ $# -gt 1 ] && printf '%s\n' "${@:2}" | sed 's/^/     /'; return 0; }

# check_eq NAME EXPECTED ACTUAL
check_eq() {
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "expected: $(printf '%q' "$2")" "actual:   $(printf '%q' "$3")"; fi
}
# check_contains NAME HAYSTACK NEEDLE
check_contains() {
  case "$2" in *"$3"*) pass "$1" ;; *) fail "$1" "missing: $(printf '%q' "$3")" "in:      $(printf '%q' "$2")" ;; esac
}
check_not_contains() {
  case "$2" in *"$3"*) fail "$1" "unexpected: $(printf '%q' "$3")" ;; *) pass "$1" ;; esac
}
# check_file_eq NAME EXPECTED_FILE ACTUAL_FILE: byte-for-byte comparison.
check_file_eq() {
  if cmp -s "$2" "$3"; then pass "$1"; else
    fail "$1" "$(cmp "$2" "$3" 2>&1 | head -n 1)" "expected: $(head -c 200 "$2" | od -An -c | head -n 4 | tr -s ' ')" \
      "actual:   $(head -c 200 "$3" 2>/dev/null | od -An -c | head -n 4 | tr -s ' ')"
  fi
}
# check_file_bytes NAME FILE PRINTF_FORMAT: the file holds exactly printf's output.
check_file_bytes() {
  local expected; expected=$(mktemp); printf "$3" >"$expected"
  check_file_eq "$1" "$expected" "$2"; rm -f "$expected"
}
check_true() { local name=$1; shift; if "$@"; then pass "$name"; else fail "$name" "command failed: $*"; fi; }

finish() {
  echo "$VM_PASSED passed, $VM_FAILED failed"
  [ "$VM_FAILED" -eq 0 ]
  exit $?
}
