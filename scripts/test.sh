#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test: an optimised build with
# warnings as errors, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, a
# minute of each fuzzer, and the core and CLI tests under valgrind; first, a format check.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

# Every C++ file as clang-format writes it.
git ls-files -z '*.cpp' '*.h' '*.inl' | xargs -0 clang-format --dry-run --Werror

for preset in ci asan; do
  rm -rf "build/$preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Then each fuzzer for a minute (clang, in build/fuzz), and the core and CLI tests once more
# under valgrind's memcheck.
scripts/fuzz.sh 60
scripts/valgrind.sh build/ci
