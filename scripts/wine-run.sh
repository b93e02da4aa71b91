#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's private prefix, creating the prefix on first use.
# WINEPREFIX defaults to <build>/wineprefix (the build folder is found from the program's path).
set -euo pipefail
prog=$1; shift
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" != / ] || dir=$(cd "$(dirname "$prog")" && pwd)
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# A prefix is ready when its set-up has finished (the marker names this set-up) and it has the
# 32-bit half: one made before wine32 was installed cannot start any program once it is, and one
# made by an older set-up may still start the debugger on a crash; either is made anew.
marker="32-bit half, no crash debugger"
ready() {
  [ "$(cat "$WINEPREFIX/.qx-ready" 2>/dev/null)" = "$marker" ] &&
    [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}
if ! ready; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Two tests may start at once: one creates the prefix, the other waits for it.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if ! ready; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # No debugger on an unhandled exception, for 64-bit and 32-bit programs: with an empty command
    # none can start, so a crashing program ends at once with the exception as its exit code
    # instead of waiting for winedbg (or its dialog under Xvfb).
    for view in 64 32; do
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' \
        /f /reg:$view >/dev/null 2>&1
    done
    wineserver -w
    echo "$marker" >"$WINEPREFIX/.qx-ready"
  fi
  flock -u 9
fi
exec wine "$prog" "$@"
