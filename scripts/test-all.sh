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

echo "== valgrind (memcheck) over the unit tests"
for suite in format_tests host_tests scripted_tests; do
  valgrind -q --error-exitcode=99 --leak-check=full build/host/tests/unit/$suite --gtest_brief=1
done

echo "== fuzzing, ${QUORLEN_FUZZ_SECONDS:-60} s per target"
tests/fuzz/run-fuzzers.sh "${QUORLEN_FUZZ_SECONDS:-60}"
