# Creates a Wine prefix once and starts its persistent wineserver. Safe to call from parallel
# processes: the first caller boots the prefix under a lock, the others wait for it.
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
  # -p keeps the server alive between programs: each start then costs ~40 ms instead of ~650 ms.
  WINEPREFIX=$pfx wineserver -p </dev/null >/dev/null 2>&1 || true
  # The first program of a server starts Wine's background services, and they inherit that
  # program's standard streams: started by a test, they would hold ctest's output pipe open and
  # ctest would wait for them forever. Start them here with their streams on /dev/null.
  WINEPREFIX=$pfx WINEDEBUG=-all /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
  return 0
}
