#!/usr/bin/env bash
# Runs every test: the unit tests on the host and under the sanitizers, the static checks of the
# PE32 program, and the end-to-end scenarios of the real program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh host checks windows e2e
jobs=$(nproc)

for preset in host host-asan windows windows-test; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  case "$preset" in
    windows-test) ctest --preset "$preset" ;;  # the scenarios share one X server and prefix
    *) ctest --preset "$preset" -j"$jobs" ;;
  esac
done
