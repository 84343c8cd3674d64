#!/usr/bin/env bash
# The shared library exports exactly the 19 plm_ names, undecorated, and (on Windows) imports
# only system DLLs, so a user can copy the one file.
# Usage: exports.sh <path of promptloom.dll or libpromptloom.so>
set -u
. "$VM_SRC/tests/lib/assert.sh"
lib=$1

expected=$(printf '%s\n' plm_context_create plm_context_destroy plm_context_get_user_data \
  plm_context_set_user_data plm_context_set_callbacks plm_context_set_edit_mode \
  plm_context_set_log_level plm_loop_get plm_status_message plm_version_number \
  plm_version_string plm_default_prompt_options plm_prompt_run plm_history_add \
  plm_history_count plm_history_get plm_menu_choice plm_menu_choice_interactive \
  plm_menu_multi_choice_interactive | sort)

case "$VM_TARGET" in
  x64)
    dump=$(x86_64-w64-mingw32-objdump -p "$lib")
    # The name table follows the "[Ordinal/Name Pointer] Table" header: "[   n] name" lines.
    actual=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort)
    check_eq "export table holds exactly the 19 names" "$expected" "$actual"
    imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z' | sort -u)
    unexpected=$(printf '%s\n' "$imports" | grep -vxE 'kernel32\.dll|msvcrt\.dll|user32\.dll|advapi32\.dll' || true)
    check_eq "imports only system DLLs (got: $(echo $imports))" "" "$unexpected"
    check_contains "imports kernel32" "$imports" "kernel32.dll"
    ;;
  native)
    actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWi]$/ {print $3}' | sed 's/@.*//' | sort)
    check_eq "dynamic symbol table holds exactly the 19 functions" "$expected" "$actual"
    others=$(nm -D --defined-only "$lib" | awk '$2 !~ /^[TtWi]$/ {print $3}' | grep -v '^_' || true)
    check_eq "no data symbols exported" "" "$others"
    ;;
  *)
    skip "no shared library in the $VM_TARGET tree"
    ;;
esac
finish
