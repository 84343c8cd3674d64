#!/usr/bin/env bash
# Makes a Debian 12 machine ready to build and test everything: compilers (host, mingw-w64 i686
# and x86_64 posix flavour, clang for the fuzzers), clang-format for the house style, CMake/Ninja,
# Wine with its 32-bit half, tmux, GoogleTest sources and Google Benchmark, and Pillow with fonts
# for the README's screenshots. Safe to run again; returns at once when all is there.
set -euo pipefail

need_cmds=(cmake ninja g++ clang++ clang-format lld-link llvm-dlltool python3 tmux i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix
           x86_64-w64-mingw32-objdump /usr/lib/wine/wine /usr/lib/wine/wine64 wineboot)
need_files=(/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc /usr/lib/python3/dist-packages/PIL/__init__.py /usr/src/googletest/CMakeLists.txt /usr/include/benchmark/benchmark.h /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll)

missing=0
for c in "${need_cmds[@]}"; do command -v "$c" >/dev/null 2>&1 || { missing=1; break; }; done
for f in "${need_files[@]}"; do [ -e "$f" ] || { missing=1; break; }; done
if [ "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)" = "libclang_rt.fuzzer-x86_64.a" ]; then missing=1; fi
[ "$missing" = 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing build and test packages (quiet; log in /tmp/velmora-setup.log)"
{
  if ! dpkg --print-foreign-architectures | grep -qx i386; then $SUDO dpkg --add-architecture i386; fi
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends \
    ca-certificates build-essential cmake ninja-build python3 git file \
    clang libclang-rt-14-dev clang-format lld llvm \
    mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 \
    wine wine32:i386 wine64 tmux \
    googletest libgtest-dev libgmock-dev libbenchmark-dev pkg-config \
    python3-pil fonts-dejavu-core fonts-wqy-zenhei
} >/tmp/velmora-setup.log 2>&1 || { tail -n 30 /tmp/velmora-setup.log; exit 1; }
echo "setup: done"
