#!/usr/bin/env bash
# Installs what is missing, builds the Linux and both Windows builds and runs the main job: the
# virtual scanner with its default profile on a free loopback port, the batch export with the Linux
# program and with the x86_64 and the 32-bit (shipping) Windows programs under Wine, the three
# setting files compared, the 32-bit build's file printed by qxr, and a screenshot of the 32-bit
# utility's window after its first Get Information.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh native windows windows-x86

root=$(pwd)
work=$(mktemp -d)
state="$work/sim"
trap 'bash "$root/scripts/sim-fixture.sh" stop "$state" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
bash scripts/sim-fixture.sh start build/native/sim/qxr7000-sim sim/profiles "$state" >/dev/null
export $(cat "$state")
echo "== qxr7000-sim (default profile) listening at $QXR7000_SIM"

# Bytes of a setting file that describe the PC rather than the scanner: the System, QX-R7000
# Driver, .NET Framework and USB Driver Stack records (file offsets: 12-byte header plus the
# record offsets of utility/shell/setting_record.h).
host_slots='(o >= 201 && o < 10214) || (o >= 10225 && o < 11249) || (o >= 12130 && o < 12962)'
# Prints how many bytes of two setting files differ outside and inside the host-dependent slots.
compare() {
  cmp -l "$1" "$2" | awk "{ o = \$1 - 1; if ($host_slots) host++; else device++ }
    END { printf \"%d %d\\n\", device + 0, host + 0 }"
}

cd "$work"
set +e
echo "== R7000Utility /r7000 report-linux (native)"
"$root/build/native/bin/R7000Utility" /r7000 report-linux
native=$?
echo "== R7000Utility.exe /r7000 report-windows (x86_64 Windows build under Wine)"
WINEPREFIX="$root/build/windows/wineprefix" "$root/scripts/wine-run.sh" \
  "$root/build/windows/bin/R7000Utility.exe" /r7000 report-windows
windows=$?
echo "== R7000Utility.exe /r7000 report-windows-x86 (32-bit Windows build under Wine WoW64)"
WINEPREFIX="$root/build/windows-x86/wineprefix" "$root/scripts/wine-run.sh" \
  "$root/build/windows-x86/bin/R7000Utility.exe" /r7000 report-windows-x86
windows_x86=$?
set -e
echo "exit codes: native $native, Windows x86_64 $windows, Windows x86 $windows_x86"
ls -l report-linux.qxr report-windows.qxr report-windows-x86.qxr
same=1
for other in report-linux.qxr report-windows.qxr; do
  read -r device host < <(compare report-windows-x86.qxr "$other")
  echo "report-windows-x86.qxr against $other: $device bytes differ in the scanner's slots," \
    "$host in the PC's"
  [ "$device" -eq 0 ] || same=0
done
echo "== qxr show report-windows-x86.qxr"
"$root/build/native/bin/qxr" show report-windows-x86.qxr
for f in report-linux.qxr report-windows.qxr report-windows-x86.qxr; do
  [ "$(stat -c %s "$f")" -eq 20633 ] || same=0
done
ok=1
[ "$native" -eq 0 ] && [ "$windows" -eq 0 ] && [ "$windows_x86" -eq 0 ] && [ "$same" -eq 1 ] || ok=0
# The window: the 32-bit utility in Extended mode after its first Get Information, as a screenshot.
bash "$root/scripts/window-demo.sh" build/windows-x86 || ok=0
[ "$ok" -eq 1 ]
