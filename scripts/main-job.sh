#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs the main job: the virtual scanner with its
# default profile on a free loopback port, the batch export with the Linux program and with the
# Windows program under Wine, and the setting file printed by qxr.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh native windows

root=$(pwd)
work=$(mktemp -d)
state="$work/sim"
trap 'bash "$root/scripts/sim-fixture.sh" stop "$state" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
bash scripts/sim-fixture.sh start build/native/sim/qxr7000-sim sim/profiles "$state" >/dev/null
export $(cat "$state")
echo "== qxr7000-sim (default profile) listening at $QXR7000_SIM"

cd "$work"
echo "== R7000Utility /r7000 report-linux (native)"
set +e
"$root/build/native/bin/R7000Utility" /r7000 report-linux
native=$?
echo "== R7000Utility.exe /r7000 report-windows (Windows build under Wine)"
WINEPREFIX="$root/build/windows/wineprefix" "$root/scripts/wine-run.sh" \
  "$root/build/windows/bin/R7000Utility.exe" /r7000 report-windows
windows=$?
set -e
echo "exit codes: native $native, Windows $windows"
ls -l report-linux.qxr report-windows.qxr
echo "== qxr show report-windows.qxr"
"$root/build/native/bin/qxr" show report-windows.qxr
[ "$native" -eq 0 ] && [ "$windows" -eq 0 ]
