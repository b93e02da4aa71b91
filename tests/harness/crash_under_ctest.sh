#!/usr/bin/env bash
# Runs the crash probe as the only test of a ctest folder of its own and checks the outcome: ctest
# reports it failed (not passed, not timed out), and the output shows what the program printed
# before it crashed, and no crash debugger ran (winedbg would have printed its register dump).
#   crash_under_ctest.sh CTEST_FOLDER
set -uo pipefail
output=$(ctest --test-dir "$1" --output-on-failure 2>&1)
status=$?
echo "$output"
fail() {
  echo "crash_under_ctest: $*" >&2
  exit 1
}
[ "$status" -ne 0 ] || fail "ctest passed a program that crashed"
! grep -q "Timeout" <<<"$output" || fail "the crashed program was held until its time-out"
grep -Eq "crash_probe .*(Failed|Exception|Exit code)" <<<"$output" || fail "ctest did not report the probe as failed"
grep -q "\[ RUN      \] CrashProbe.WritesThroughANullPointer" <<<"$output" || fail "the probe's output was not kept"
grep -q "crash probe: writing through a null pointer" <<<"$output" || fail "the probe's own line was not kept"
! grep -q "Register dump" <<<"$output" || fail "a crash debugger ran"
! grep -q "the write through a null pointer did not crash" <<<"$output" || fail "the probe did not crash"
echo "crash_under_ctest: the crashing program failed at once with its output kept"
