#!/usr/bin/env bash
# Starts or stops a qxr7000-sim for a ctest fixture.
#   sim-fixture.sh start SIM_PROGRAM PROFILE_FOLDER STATE_FILE [PROFILE]
#   sim-fixture.sh stop STATE_FILE
# start runs the simulator on a free loopback port with PROFILE from PROFILE_FOLDER (default.json
# unless given) and writes its first output line
# (QXR7000_SIM=127.0.0.1:PORT QXR7000_SIM_CONTROL=127.0.0.1:PORT) to STATE_FILE.
# The Windows build's tests use the native build's simulator: build the native preset first.
set -euo pipefail
case "${1:-}" in
  start)
    program=$2 profiles=$3 state=$4 profile=${5:-default.json}
    if [ ! -x "$program" ]; then
      echo "sim-fixture: $program is missing; build the native preset first (cmake --build --preset native)" >&2
      exit 1
    fi
    rm -f "$state" "$state.out" "$state.pid"
    "$program" --profile "$profiles/$profile" --listen 127.0.0.1:0 </dev/null >"$state.out" 2>&1 &
    echo $! >"$state.pid"
    for _ in $(seq 200); do
      if head -n 1 "$state.out" 2>/dev/null | grep -q '^QXR7000_SIM='; then
        head -n 1 "$state.out" >"$state"
        cat "$state"
        exit 0
      fi
      kill -0 "$(cat "$state.pid")" 2>/dev/null || break
      sleep 0.05
    done
    echo "sim-fixture: the simulator did not start:" >&2
    cat "$state.out" >&2
    exit 1
    ;;
  stop)
    state=$2
    if [ -f "$state.pid" ]; then
      pid=$(cat "$state.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    fi
    rm -f "$state" "$state.pid"
    # A sanitizer report from the simulator fails the run.
    if [ -f "$state.out" ] && grep -Eq 'ERROR: (Address|Leak)Sanitizer|WARNING: ThreadSanitizer|runtime error:' "$state.out"; then
      echo "sim-fixture: the simulator reported:" >&2
      cat "$state.out" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: sim-fixture.sh start SIM_PROGRAM PROFILE_FOLDER STATE_FILE [PROFILE] | stop STATE_FILE" >&2
    exit 2
    ;;
esac
