#!/usr/bin/env bash
# cmake --install puts library, header, CMake package and pkg-config file in a prefix; a caller's
# project builds against that copy both ways and runs.
set -u
. "$VM_SRC/tests/lib/assert.sh"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$VM_BUILD" --component promptloom --prefix "$prefix" >"$tmp/install.log" 2>&1
check_eq "cmake --install succeeds" 0 $?
for f in lib/libpromptloom.so include/promptloom.h lib/cmake/promptloom/promptloomConfig.cmake \
         lib/cmake/promptloom/promptloomConfigVersion.cmake lib/pkgconfig/promptloom.pc; do
  check_true "installed $f" test -f "$prefix/$f"
done
exports=$(nm -D --defined-only "$prefix/lib/libpromptloom.so" | awk '$2=="T"{print $3}' | sort)
check_eq "the installed library exports the 19 plm_ functions and nothing else" 19 \
  "$(printf '%s\n' "$exports" | grep -c '^plm_')"
check_eq "no other symbol is exported" "" "$(printf '%s\n' "$exports" | grep -v '^plm_' | grep -v '^$')"

# CMake consumer.
cmake -S "$VM_SRC/examples/consumer" -B "$tmp/cm" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$tmp/cm.log" 2>&1 &&
  cmake --build "$tmp/cm" >>"$tmp/cm.log" 2>&1
check_eq "find_package(promptloom) consumer builds" 0 $? 
# pkg-config consumer.
PKG_CONFIG_PATH=$prefix/lib/pkgconfig cc -std=c11 -Wall -Werror -o "$tmp/pc_hello" "$VM_SRC/examples/hello_menu.c" \
  $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs promptloom) >"$tmp/pc.log" 2>&1
check_eq "pkg-config consumer builds" 0 $?

for exe in "$tmp/cm/hello_menu" "$tmp/pc_hello"; do
  out=$(printf '2\nBob\n' | LD_LIBRARY_PATH=$prefix/lib "$exe" 2>&1); rc=$?
  check_eq "$(basename "$exe"): exit code" 0 "$rc"
  check_contains "$(basename "$exe"): the redirected menu answer picks item 2" "$out" "fruit: pear"
  check_contains "$(basename "$exe"): the prompt reads the next line" "$out" "hello, Bob"
done
finish
