#!/usr/bin/env bash
# Builds what is missing, makes a million-enrolment demo database on SQLite and on a throwaway
# PostgreSQL server, and runs bench_providers (the participant provider) and bench_participants
# (the participant screen's fetch and counting pass, against GROUP BY in the databases) and
# bench_print (printing the class report of the largest centre) on them, and the participant
# screen's comparison with last school year against one fetch.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null

mkdir -p build/bench-data
sqlite_file=build/bench-data/osp-1m.db
if [ ! -f "$sqlite_file" ]; then
  build/bin/vorn-demo --database "$sqlite_file" --first-year 2024 --enrolments 1000000
fi
# The same centre over five school years, for the trend over five.
five_years=build/bench-data/osp-1m-5j.db
if [ ! -f "$five_years" ]; then
  build/bin/vorn-demo --database "$five_years" --first-year 2022 --school-years 5 --enrolments 1000000
fi

pgdir=$(mktemp -d /tmp/vorn-pg.XXXXXX)
trap './scripts/pg-test-server.sh stop "$pgdir"' EXIT
pg=$(./scripts/pg-test-server.sh start "$pgdir")
build/bin/vorn-demo --database "$pg" --first-year 2024 --enrolments 1000000
build/bin/bench_providers "$sqlite_file" "$pg"
build/bin/bench_participants "$sqlite_file" "$pg"
# The comparison with the same period a school year earlier (a million enrolments each), against
# one period's fetch in the same run.
build/bin/bench_participants --compare --from 2025-09-01 --to 2026-06-30 "$sqlite_file"
# The trend over the three and the five school years the databases hold, against one period's fetch.
build/bin/bench_participants --trend 3 --from 2026-09-01 --to 2027-06-30 "$sqlite_file"
build/bin/bench_participants --trend 5 --from 2026-09-01 --to 2027-06-30 "$five_years"
build/bin/bench_print "$sqlite_file" "$pg"
