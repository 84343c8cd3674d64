#!/usr/bin/env bash
# Builds the Windows release archive: out/velmora-<version>-windows.zip with
#   frostpane.exe, rainbanner.exe (32-bit), README.md, LICENSE and
#   promptloom/ (bin/promptloom.dll 64-bit, lib/libpromptloom.dll.a, include/promptloom.h,
#   lib/cmake/promptloom: find_package(promptloom) -> promptloom::promptloom).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only what the archive holds is built (the trees' tests are scripts/test.sh's business).
cmake --preset mingw-x86 >/dev/null
cmake --build --preset mingw-x86 -j "$(nproc)" --target frostpane rainbanner >/dev/null
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 -j "$(nproc)" --target promptloom promptloom_cli >/dev/null
version=$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=velmora-$version-windows
stage=out/$name
rm -rf "$stage" "out/$name.zip"
mkdir -p "$stage"
for exe in frostpane.exe rainbanner.exe; do
  i686-w64-mingw32-strip -o "$stage/$exe" "build/mingw-x86/bin/$exe"
done
cmake --install build/mingw-x64 --component promptloom --prefix "$stage/promptloom" --strip >/dev/null
cp README.md LICENSE "$stage/"
(cd out && zip -qrX "$name.zip" "$name")
echo "out/$name.zip"
