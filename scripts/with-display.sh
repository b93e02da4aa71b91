#!/usr/bin/env bash
# Runs a command inside a private Xvfb server (screen 1280x1024x24 unless XVFB_SCREEN says
# otherwise). The server picks a free display number itself (-displayfd), so test runs that start
# at the same moment never race for one display, as `xvfb-run -a` can: the loser ran its programs
# on the winner's server and lost its windows when that server ended.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
stop() {
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}
# The number is written, with its newline, once the server accepts connections.
for _ in $(seq 1 600); do
  [ "$(wc -l <"$dir/display")" -ge 1 ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "with-display: Xvfb did not start: $(cat "$dir/log")" >&2
    stop
    exit 1
  fi
  sleep 0.1
done
if [ "$(wc -l <"$dir/display")" -lt 1 ]; then
  echo "with-display: Xvfb gave no display number within 60 s" >&2
  stop
  exit 1
fi
DISPLAY=":$(head -n 1 "$dir/display")" "$@"
code=$?
stop
exit "$code"
