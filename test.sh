#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and runs every test in both.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_WERROR=ON
cmake --build build -j "$jobs"
echo "== clang-tidy on the C++ files changed in the working tree and the last commit"
time ./scripts/tidy.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON -DVORN_WERROR=ON
cmake --build build-asan -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"

# A throwaway PostgreSQL server for the provider tests; removed again whatever happens.
pgdir=$(mktemp -d /tmp/vorn-pg.XXXXXX)
trap './scripts/pg-test-server.sh stop "$pgdir"' EXIT
VORN_TEST_PG=$(./scripts/pg-test-server.sh start "$pgdir")
export VORN_TEST_PG

echo "== Tests, normal build"
ctest --test-dir build --output-on-failure -j "$jobs"
echo "== Tests, address and undefined-behaviour sanitizer build"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
