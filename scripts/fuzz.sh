#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) in
# build/fuzz and runs each for SECONDS (default 60), both at once on the machine's two cores.
# New inputs that reach new code go to build/fuzz/corpus/<target>; an input that breaks a
# property or crashes is saved as build/fuzz/artifacts/<target>-crash-* and fails the script.
# Replay one with: build/fuzz/fuzz/fuzz_<target> FILE
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build/fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQEL_FUZZ=ON -DQEL_WARNINGS_AS_ERRORS=ON -DQEL_BUILD_VIEWER=OFF -DQEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_outline fuzz_text_helpers

pids=()
for target in outline text_helpers; do
  mkdir -p "$build/corpus/$target" "$build/artifacts"
  # The first folder collects new inputs; the checked-in seeds are read from the second.
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$build/corpus/$target" "fuzz/corpus/$target" >"$build/fuzz_$target.log" 2>&1 &
  pids+=($!)
done

status=0
targets=(outline text_helpers)
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then
    echo "fuzz_${targets[$i]}: $(grep -E '^stat::number_of_executed_units' "$build/fuzz_${targets[$i]}.log" \
      | awk '{print $2}') runs in ${seconds} s, no finding"
  else
    status=1
    echo "fuzz_${targets[$i]}: FAILED, log follows" >&2
    tail -n 60 "$build/fuzz_${targets[$i]}.log" >&2
  fi
done
exit "$status"
