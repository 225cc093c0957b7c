#!/usr/bin/env bash
# Runs the core and CLI tests of a build (default build/ci) under valgrind's memcheck: each test
# program once with all of its tests instead of once per test, programs that it starts (such as
# qeloutline) included. Any memory error or leak fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/ci}"

# One JSON array per test program: its working directory, then its command without the
# per-test --gtest_ options that ctest adds.
programs="$(ctest --test-dir "$build" -L '^(core|cli)$' --show-only=json-v1 | jq -c '
  .tests[]
  | [ ((.properties // []) | map(select(.name == "WORKING_DIRECTORY")) | (.[0].value // "."))]
    + (.command | map(select(startswith("--gtest_") | not)))' | sort -u)"
[ -n "$programs" ] || { echo "no core or CLI tests in $build" >&2; exit 1; }

status=0
while IFS= read -r program; do
  mapfile -t command < <(jq -r '.[1:][]' <<<"$program")
  workdir="$(jq -r '.[0]' <<<"$program")"
  echo "valgrind: ${command[*]}"
  log="$(mktemp)"
  if ! (cd "$workdir" && valgrind --quiet --error-exitcode=99 --leak-check=full \
      --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
      --trace-children=yes --trace-children-skip='/usr/*,/bin/*' --child-silent-after-fork=yes \
      "${command[@]}") >"$log" 2>&1; then
    status=1
    echo "valgrind: FAILED: ${command[*]}" >&2
    tail -n 80 "$log" >&2
  fi
  rm -f "$log"
done <<<"$programs"
exit "$status"
