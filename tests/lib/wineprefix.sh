# Creates a Wine prefix once and starts its persistent wineserver. Safe to call from parallel
# processes: the first caller boots the prefix under a lock, the others wait for it.
# The prefix is made by the 64-bit loader: it works whether or not this machine runs 32-bit code
# (the wineboot wrapper starts the 32-bit loader, which fails where the kernel refuses i386).
vm_wineprefix_ready() {
  local pfx=$1
  mkdir -p "$(dirname "$pfx")" || return 1
  if [ ! -f "$pfx/.velmora-ready" ]; then
    (
      flock 9
      if [ ! -f "$pfx/.velmora-ready" ]; then
        rm -rf "$pfx"
        WINEPREFIX=$pfx WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || exit 1
        WINEPREFIX=$pfx wineserver -w >/dev/null 2>&1
        touch "$pfx/.velmora-ready"
      fi
    ) 9>"$pfx.lock" || return 1
  fi
  # A persistent server: each start then costs ~40 ms instead of ~650 ms. Scripts that share a
  # prefix run side by side, so none of them stops it; it ends itself a minute after the last.
  WINEPREFIX=$pfx wineserver -p60 </dev/null >/dev/null 2>&1 || true
  # The first program of a server starts Wine's background services, and they inherit that
  # program's standard streams: started by a test, they would hold ctest's output pipe open and
  # ctest would wait for them forever. Start them here with their streams on /dev/null.
  WINEPREFIX=$pfx WINEDEBUG=-all /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
  return 0
}

# The one probe of whether 32-bit Windows programs can run here. Silent and true where they can;
# where they cannot, prints why and is false. Some kernels refuse every i386 program (exit 126);
# VM_NO_IA32=1 makes any machine answer as one of those, so both paths can be tried anywhere.
vm_ia32_missing_reason() {
  if [ "${VM_NO_IA32:-0}" = 1 ]; then
    echo "VM_NO_IA32=1 is set"
    return 0
  fi
  local rc=0
  /usr/lib/wine/wine --version >/dev/null 2>&1 || rc=$?
  [ "$rc" = 0 ] && return 1
  echo "this machine runs no 32-bit programs (/usr/lib/wine/wine --version: exit $rc)"
}
