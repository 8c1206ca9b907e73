#!/usr/bin/env bash
# What row-level security costs a user of a shared server: the pupil screen of a 20,000-pupil school
# and the participant screen of a 200,000-enrolment centre, exported as the owner of the tables
# (who bypasses the rules), as a user granted two institutions and as a user granted every
# institution, side by side with farm-bench when it is there (else with time).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null

pgdir=$(mktemp -d /tmp/vorn-pg.XXXXXX)
work=$(mktemp -d /tmp/vorn-rights.XXXXXX)
trap './scripts/pg-test-server.sh stop "$pgdir"; rm -rf "$work"' EXIT
pg=$(./scripts/pg-test-server.sh start "$pgdir")
build/bin/vorn-demo --database "$pg" --enrolments 200000 --pupils 20000 --staff 2000
build/bin/vorn-admin --database "$pg" gebruiker-toevoegen bench_enkele >/dev/null
build/bin/vorn-admin --database "$pg" toegang-geven bench_enkele SJCAA CVOBR >/dev/null
build/bin/vorn-admin --database "$pg" gebruiker-toevoegen bench_alle >/dev/null
build/bin/vorn-admin --database "$pg" toegang-geven bench_alle --alle >/dev/null

# One export as the user named by $1 ("" for the owner); the rest are the screen's arguments.
cat > "$work/export.sh" <<SCRIPT
#!/bin/sh
user=\$1; shift
VORN_DATABASE="$pg\${user:+ user=\$user}" HOME="$work" XDG_CONFIG_HOME="$work/config" \\
  QT_QPA_PLATFORM=offscreen exec "$PWD/build/bin/vorn" export "\$@" --out "$work/out-\$\$"
SCRIPT
chmod +x "$work/export.sh"

pupils="--screen TStatLLPerInstellingForm --institution SJCAA --date 2025-12-01"
participants="--screen TStatCursistenPerInstellingForm --institution CVOBR --from 2025-09-01 --to 2026-06-30"
for screen in "$pupils" "$participants"; do
  for user in bench_enkele bench_alle; do
    echo "== $user against the owner: $screen"
    if command -v farm-bench >/dev/null; then
      # shellcheck disable=SC2086
      farm-bench -n 5 --timeout 600 --vs "$work/export.sh '' $screen" -- "$work/export.sh" "$user" $screen
    else
      # shellcheck disable=SC2086
      time "$work/export.sh" "$user" $screen >/dev/null
      # shellcheck disable=SC2086
      time "$work/export.sh" "" $screen >/dev/null
    fi
  done
done
