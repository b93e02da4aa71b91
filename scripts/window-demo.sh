#!/usr/bin/env bash
# The main job's window demonstration: the Windows R7000Utility.exe in Extended mode under Xvfb,
# against a qxr7000-sim with the default profile; waits for the first Get Information, saves a PNG
# screenshot of the screen, prints its path and ends the program with Exit.
#   window-demo.sh [BUILD_FOLDER]   (default build/windows-x86; the simulator is build/native's)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/${1:-build/windows-x86}
work=$(mktemp -d)
state="$work/sim"
trap 'bash "$root/scripts/sim-fixture.sh" stop "$state" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
bash scripts/sim-fixture.sh start build/native/sim/qxr7000-sim sim/profiles "$state" >/dev/null
export $(cat "$state")
png="$build/screenshots/window-demo.png"
mkdir -p "$(dirname "$png")"
rm -f "$png"
# A Wine server still running from an earlier program of this prefix (the batch exports) holds a
# desktop made without a display; the window would land there, unseen. Wait until it has ended.
WINEPREFIX="$build/wineprefix" wineserver -w 2>/dev/null || true
echo "== R7000Utility.exe /norva (Windows build under Wine and Xvfb) against qxr7000-sim at $QXR7000_SIM"
# The program sees the screenshot's path through Wine's Z: drive, the Linux root.
"$root/scripts/with-display.sh" env WINEPREFIX="$build/wineprefix" \
  "$root/scripts/wine-run.sh" "$build/bin/window_demo.exe" "$build/bin/R7000Utility.exe" "Z:$png" | tr -d '\r'
[ -s "$png" ]
echo "window screenshot: $png"
