#!/usr/bin/env bash
# Builds the optimised programs and runs the benchmarks; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
for bench in build/release/bench/outline_bench build/release/bench/viewer/qelview_bench; do
  if [ -x "$bench" ]; then "$bench"; fi
done
