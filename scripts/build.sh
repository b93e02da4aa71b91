#!/usr/bin/env bash
# Configures and builds the given presets (default: native and both Windows builds) from the project's
# root.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native windows windows-x86)
for preset in "${presets[@]}"; do
  echo "== build: $preset"
  start=$SECONDS
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  echo "== build: $preset took $((SECONDS - start)) s"
done
