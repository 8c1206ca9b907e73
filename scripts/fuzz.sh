#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds (default
# 600). New inputs that reach new code are merged into tests/fuzz/corpus/TARGET, which ./test.sh
# replays; a crash leaves its input as build-fuzz/crash-* and stops the script.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]      targets: statements params settings reportfile
#                                               cubedefinition
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(statements params settings reportfile cubedefinition)

./scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=0"
for target in "${targets[@]}"; do
  found=$(mktemp -d)
  echo "== $target: $seconds s"
  (cd build-fuzz && "./bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
      "$found" "../tests/fuzz/corpus/$target" 2>&1 | grep -E "stat::number_of_executed_units|stat::new_units_added|ERROR|crash" || true)
  "build-fuzz/bin/fuzz_$target" -merge=1 "tests/fuzz/corpus/$target" "$found" 2>/dev/null | tail -1 || true
  rm -rf "$found"
  if ls build-fuzz/crash-* >/dev/null 2>&1; then
    echo "fuzz_$target found a crash: build-fuzz/crash-*"
    exit 1
  fi
done
