#!/usr/bin/env bash
# Installs what is missing, builds every build and runs every test: native (AddressSanitizer and
# UndefinedBehaviorSanitizer), the threaded tests under ThreadSanitizer, the x86_64 and the 32-bit
# Windows builds under Wine (WoW64 for the 32-bit one; GUI tests inside Xvfb), and the fuzz targets
# for a short while. Each phase reports its time. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== setup"
start=$SECONDS
bash scripts/setup.sh
echo "== setup took $((SECONDS - start)) s"
bash scripts/build.sh native windows windows-x86 fuzz
# The ThreadSanitizer build needs only the threaded tests.
echo "== build: native-tsan (threaded tests)"
start=$SECONDS
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan -j "$(nproc)" --target threaded_tests
echo "== build: native-tsan took $((SECONDS - start)) s"

# The native suites run in a network namespace of their own that has only the loopback interface,
# which proves that nothing they do reaches another address.
loopback_only() {
  if unshare -n true 2>/dev/null; then
    unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
  else
    echo "== note: no network namespace here (not root?): $* runs on the host's network"
    "$@"
  fi
}

failed=0
run() {
  echo "== test: $*"
  local start=$SECONDS
  "$@" || failed=1
  echo "== test: $* took $((SECONDS - start)) s"
}
run loopback_only ctest --preset native -j 2
run loopback_only ctest --preset native-tsan -L threaded --no-tests=ignore
# The two Windows builds have their own Wine prefixes, simulators and displays, and their suites
# spend much of their time waiting on Wine, so they run side by side; each log is printed whole.
windows_suites() {
  mkdir -p build/test-logs
  local pids=() p
  for p in windows windows-x86; do
    (
      start=$SECONDS
      rc=0
      ctest --preset "$p" >"build/test-logs/$p.log" 2>&1 || rc=$?
      echo "== test: ctest --preset $p took $((SECONDS - start)) s" >>"build/test-logs/$p.log"
      exit "$rc"
    ) &
    pids+=("$!")
  done
  local rc=0 pid
  for pid in "${pids[@]}"; do wait "$pid" || rc=1; done
  for p in windows windows-x86; do
    echo "== test: ctest --preset $p"
    cat "build/test-logs/$p.log"
  done
  return "$rc"
}
run windows_suites
run loopback_only ctest --preset fuzz --no-tests=ignore

if [ "$failed" -ne 0 ]; then
  echo "SOME TESTS FAILED"
  exit 1
fi
echo "ALL TESTS PASSED"
