# Sourced by the scripts that show the 32-bit programs (after tests/lib/wine.sh), from the
# repository's top: X86_BIN is the folder of frostpane.exe and rainbanner.exe, X86_WINE their
# loader. Where 32-bit programs cannot run these name the x86-64 builds of the same sources
# (build/mingw-x86-on-x64) and X86_NOTE says why; elsewhere X86_NOTE is empty.
X86_BIN=build/mingw-x86/bin X86_WINE=/usr/lib/wine/wine X86_NOTE=
if X86_NOTE=$(vm_ia32_missing_reason); then
  X86_BIN=build/mingw-x86-on-x64/bin X86_WINE=/usr/lib/wine/wine64
fi
