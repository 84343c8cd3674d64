#!/usr/bin/env bash
# The Windows release archive as a user and a developer receive it: the file list, each
# binary's machine type and imports, and a caller's program built against the unpacked package
# with the 64-bit mingw toolchain, run under Wine.
# Usage: windows_release.sh ARCHIVE.zip   (made by scripts/release.sh)
set -u
VM_SRC=${VM_SRC:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$VM_SRC/tests/lib/assert.sh"
. "$VM_SRC/tests/lib/wine.sh"
zip=$(readlink -f "$1")
tmp=$(mktemp -d); trap 'wine_cleanup; rm -rf "$tmp"' EXIT
unzip -q "$zip" -d "$tmp/unpacked"
root=$(find "$tmp/unpacked" -mindepth 1 -maxdepth 1 -type d)
files=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
expected=$(sort <<'LIST'
LICENSE
README.md
frostpane.exe
rainbanner.exe
promptloom/bin/promptloom.dll
promptloom/bin/promptloom.exe
promptloom/include/promptloom.h
promptloom/lib/libpromptloom.dll.a
promptloom/lib/promptloom.lib
promptloom/lib/cmake/promptloom/promptloomConfig.cmake
promptloom/lib/cmake/promptloom/promptloomConfigVersion.cmake
promptloom/lib/cmake/promptloom/promptloomTargets.cmake
promptloom/lib/cmake/promptloom/promptloomTargets-release.cmake
LIST
)
check_eq "archive holds exactly the release files" "$expected" "$files"

# Each binary: its machine, only system DLLs imported (the runtime is inside), and the version
# resource Explorer shows, read back with GetFileVersionInfo under Wine.
x86_64-w64-mingw32-gcc -municode -O1 -o "$tmp/verinfo.exe" "$VM_SRC/tests/release/verinfo.c" -lversion
wine_group release || finish
for row in "frostpane.exe:i386:Velmora console transparency" "rainbanner.exe:i386:Velmora rainbow banner" \
  "promptloom/bin/promptloom.dll:x86-64:Velmora prompt and menu library" \
  "promptloom/bin/promptloom.exe:x86-64:Velmora prompt and menu command"; do
  IFS=: read -r f machine description <<<"$row"
  check_contains "$f is $machine" "$(x86_64-w64-mingw32-objdump -f "$root/$f" 2>&1)" "file format pei-$machine"
  allow='KERNEL32|USER32|ADVAPI32|SHELL32|msvcrt'
  [[ $f == */promptloom.exe ]] && allow+='|promptloom'
  bad=$(x86_64-w64-mingw32-objdump -p "$root/$f" | awk '/DLL Name:/ {print $3}' | grep -Eiv "^($allow)\.dll$")
  check_eq "$f imports only system DLLs" "" "$bad"
  wine64_run "$(wine_path "$tmp/verinfo.exe")" "$(wine_path "$root/$f")"
  check_eq "$f version resource" "Fixed=0.2.0 ProductName=Velmora FileDescription=$description FileVersion=0.2.0 \
OriginalFilename=${f##*/}" "$(tr -d '\r' <"$WINE_OUT" | paste -sd' ')"
done

# A caller's project: find_package(promptloom) from the unpacked archive, 64-bit mingw.
cmake -S "$VM_SRC/examples/consumer" -B "$tmp/consumer" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$VM_SRC/cmake/toolchain-mingw-x64.cmake" \
  -Dpromptloom_DIR="$root/promptloom/lib/cmake/promptloom" >"$tmp/consumer.log" 2>&1 &&
  cmake --build "$tmp/consumer" >>"$tmp/consumer.log" 2>&1
rc=$?
check_eq "consumer builds against the unpacked package" 0 "$rc"
[ "$rc" = 0 ] || cat "$tmp/consumer.log"
cp "$root/promptloom/bin/promptloom.dll" "$tmp/consumer/"
printf '2\r\nBob\r\n' >"$tmp/answers"
WINE_STDIN=$tmp/answers wine64_run "$(wine_path "$tmp/consumer/hello_menu.exe")"
check_eq "consumer runs under Wine" 0 "$WINE_RC"
out=$(tr -d '\r' <"$WINE_OUT")
check_contains "the numbered menu answer picks item 2" "$out" "fruit: pear"
check_contains "the prompt reads the next line" "$out" "hello, Bob"

# An MSVC-family linker takes promptloom.lib: lld-link links a caller built for the MSVC target.
printf 'LIBRARY kernel32.dll\nEXPORTS\nGetStdHandle\nWriteFile\nExitProcess\n' >"$tmp/kernel32.def"
llvm-dlltool -m i386:x86-64 -d "$tmp/kernel32.def" -l "$tmp/kernel32.lib"
clang --target=x86_64-pc-windows-msvc -ffreestanding -O1 -I "$root/promptloom/include" \
  -c "$VM_SRC/tests/release/msvc_caller.c" -o "$tmp/msvc_caller.obj" &&
  lld-link /nologo /nodefaultlib /entry:start /subsystem:console /out:"$tmp/consumer/msvc_caller.exe" \
    "$tmp/msvc_caller.obj" "$root/promptloom/lib/promptloom.lib" "$tmp/kernel32.lib" >"$tmp/lld.log" 2>&1
check_eq "lld-link links a caller against promptloom.lib" 0 "$?"
wine64_run "$(wine_path "$tmp/consumer/msvc_caller.exe")"
check_eq "that caller runs under Wine with promptloom.dll" "0 promptloom/0.2.0-draft" "$WINE_RC $(cat "$WINE_OUT")"
finish
