#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh native windows
echo "== main job: R7000Utility (native) with no window"
set +e
build/native/bin/R7000Utility
status=$?
set -e
echo "R7000Utility exit status: $status (the low 8 bits of the exit code)"
