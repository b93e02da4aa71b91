#!/usr/bin/env bash
# Starts or stops the far end of a COM port for the Windows tests (scripts/pty-line.py).
#   pty-fixture.sh start WINEPREFIX DEVICE STATE_FILE
#   pty-fixture.sh stop WINEPREFIX DEVICE STATE_FILE
# start maps DEVICE of the prefix (com5, lpt2, ...) to a fresh pseudo-terminal; STATE_FILE gets
# the line settings.
set -euo pipefail
prefix=$2 device=$3 state=$4
link="$prefix/dosdevices/$device"
case "${1:-}" in
  start)
    mkdir -p "$prefix/dosdevices"
    rm -f "$state" "$state.pid"
    python3 "$(dirname "$0")/pty-line.py" "$link" "$state" >"$state.out" 2>&1 &
    echo $! >"$state.pid"
    for _ in $(seq 100); do
      [ -f "$state" ] && [ -L "$link" ] && exit 0
      sleep 0.05
    done
    echo "pty-fixture: the line did not start" >&2
    cat "$state.out" >&2
    exit 1
    ;;
  stop)
    [ -f "$state.pid" ] && kill "$(cat "$state.pid")" 2>/dev/null || true
    rm -f "$link" "$state" "$state.pid"
    ;;
  *)
    echo "usage: pty-fixture.sh start|stop WINEPREFIX DEVICE STATE_FILE" >&2
    exit 2
    ;;
esac
