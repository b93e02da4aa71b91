#!/usr/bin/env bash
# Times the extended gather against a qxr7000-sim of its own and prints measured/floor per run,
# the median and spread, and where the median run's time went.
#   scripts/gather-timing.sh BUILD_DIR [--one-core] [--runs N] [--reply-delay MS]
# --one-core runs the simulator, the program and (under Wine) Wine's server on the first core
# only, so that no answer has to wake another core.
# BUILD_DIR is a build with QX_BENCH=ON: build/native-release runs natively; a Windows build
# (e.g. build/windows-x86 configured with -DQX_BENCH=ON) runs under Wine through wine-run.sh.
# The simulator is build/native-release's, else build/native's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:?usage: gather-timing.sh BUILD_DIR [--one-core] [--runs N] [--reply-delay MS]}
shift
if [ "${1:-}" = --one-core ]; then
  shift
  # A Wine server already running would stay on every core, and the one started here must not
  # serve later programs on one core: it is ended before and after.
  stop_wine() { [ -x "$build/bench/gather_timing" ] || WINEPREFIX=${WINEPREFIX:-$build/wineprefix} wineserver -k 2>/dev/null || true; }
  stop_wine
  rc=0
  taskset -c 0 "$0" "$build" "$@" || rc=$?
  stop_wine
  exit $rc
fi
sim=$root/build/native-release/sim/qxr7000-sim
[ -x "$sim" ] || sim=$root/build/native/sim/qxr7000-sim
state=$(mktemp -d "${TMPDIR:-/tmp}/gather-timing.XXXXXX")/sim
trap '"$here/sim-fixture.sh" stop "$state" >/dev/null; rm -rf "$(dirname "$state")"' EXIT
"$here/sim-fixture.sh" start "$sim" "$root/sim/profiles" "$state" >/dev/null
export $(cat "$state")
uptime
if [ -x "$build/bench/gather_timing" ]; then
  "$build/bench/gather_timing" "$@"
else
  "$here/wine-run.sh" "$build/bench/gather_timing.exe" "$@"
fi
