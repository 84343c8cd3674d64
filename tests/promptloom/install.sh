#!/usr/bin/env bash
# The installed library (cmake/PromptloomPackage.cmake) as a caller finds it: header, library,
# CMake package and pkg-config file.
# Natively a small C program is built against the installed tree both ways and run; in the
# 64-bit Windows tree the installed files are checked.
set -u
. "$VM_SRC/tests/lib/assert.sh"
tmp=$(mktemp -d /tmp/plm-install.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$VM_BUILD" --prefix "$prefix" >"$tmp/install.log" 2>&1
check_eq "cmake --install succeeds" 0 $?

check_true "header installed" test -f "$prefix/include/promptloom.h"
config=$(find "$prefix" -name promptloomConfig.cmake | head -n 1)
check_true "CMake package installed" test -n "$config"
pc=$(find "$prefix" -name promptloom.pc | head -n 1)

case "$VM_TARGET" in
  x64)
    check_true "promptloom.dll in bin" test -f "$prefix/bin/promptloom.dll"
    check_true "import library in lib" test -f "$prefix/lib/libpromptloom.dll.a"
    ;;
  native)
    check_true "pkg-config file installed" test -n "$pc"
    cat >"$tmp/app.c" <<'C'
#include <stdio.h>
#include <promptloom.h>
int main(void) {
    plm_context* ctx = plm_context_create();
    printf("%s %d %s\n", plm_version_string(), plm_version_number(), ctx ? "ctx" : "none");
    plm_context_destroy(ctx);
    return 0;
}
C
    libdir=$(dirname "$(find "$prefix" -name 'libpromptloom.so*' | head -n 1)")
    # A sanitizer build's library loads only into a program built with the same runtime.
    san=""
    ldd "$libdir/libpromptloom.so" | grep -q libasan && san="-fsanitize=address,undefined"
    flags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs promptloom)
    cc -std=c11 -Wall -Wextra -Wpedantic -Werror $san -o "$tmp/app-pc" "$tmp/app.c" $flags 2>"$tmp/cc.log"
    check_eq "a C program builds with pkg-config flags" 0 $?
    check_eq "and runs against the installed library" "promptloom/0.2.0-draft 65536 ctx" \
      "$(LD_LIBRARY_PATH=$libdir "$tmp/app-pc" 2>&1)"

    mkdir -p "$tmp/cm"
    cat >"$tmp/cm/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.20)
project(app C)
find_package(promptloom REQUIRED)
add_executable(app ../app.c)
target_link_libraries(app PRIVATE promptloom::promptloom)
CM
    cmake -S "$tmp/cm" -B "$tmp/cm/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_FLAGS="$san" >"$tmp/cm.log" 2>&1 &&
      cmake --build "$tmp/cm/build" >>"$tmp/cm.log" 2>&1
    check_eq "a CMake project builds with find_package(promptloom)" 0 $?
    check_eq "and runs (the package records where the library is)" "promptloom/0.2.0-draft 65536 ctx" \
      "$("$tmp/cm/build/app" 2>&1)"
    ;;
esac
finish
