#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each
# for SECONDS (default 60) on its corpus, seeded from tests/fuzz/seeds. Fails on any crash.
#   tests/fuzz/run-fuzzers.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" --target decode_fuzzer record_fuzzer roundtrip_fuzzer
for target in decode record roundtrip; do
  corpus=build/fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n tests/fuzz/seeds/$target/* "$corpus"/
  log=build/fuzz/$target.log
  echo "== ${target}_fuzzer for ${seconds} s"
  if ! build/fuzz/fuzz/${target}_fuzzer -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix=build/fuzz/${target}- "$corpus" >"$log" 2>&1; then
    tail -40 "$log"
    echo "${target}_fuzzer found a crash; the input is in build/fuzz/${target}-*"
    exit 1
  fi
  grep -E '^Done|DONE' "$log" | tail -2
  grep -E 'stat::(number_of_executed_units|peak_rss_mb)' "$log"
done
