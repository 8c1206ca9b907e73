#!/usr/bin/env bash
# Many clients at once on one PostgreSQL server, and on a primary with a hot standby for the reads:
# each client fetches the rows of the OSP participant screen of a 250,000-enrolment centre (the
# statement the screen runs, through vorn-query), exports the screen to CSV and prints its class
# report to PDF, in a loop, for a fixed time. Reports per set-up and action: actions done, throughput,
# median and 95th-percentile latency, errors; afterwards the job rows left behind and the most
# connections each server had at once. Local only: both servers listen on unix sockets in a
# temporary folder (scripts/pg-standby.sh), removed at the end.
#   bench/run-load-test.sh [--clients N] [--seconds S] [--enrolments N]     (32, 120, 250000)
set -euo pipefail
cd "$(dirname "$0")/.."
clients=32
seconds=120
enrolments=250000
while [ $# -gt 0 ]; do
  case $1 in
    --clients) clients=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --enrolments) enrolments=$2; shift 2 ;;
    *) echo "gebruik: $0 [--clients N] [--seconds S] [--enrolments N]" >&2; exit 2 ;;
  esac
done

./scripts/install-deps.sh >/dev/null
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d /tmp/vorn-load.XXXXXX)
servers=$(mktemp -u /tmp/vorn-load-pg.XXXXXX) # made by the script, which the server must be able to enter
cleanup() {
  jobs -p | xargs -r kill 2>/dev/null || true
  ./scripts/pg-standby.sh stop "$servers" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

mapfile -t connections < <(./scripts/pg-standby.sh start "$servers")
primary=${connections[0]}
standby=${connections[1]}
build/bin/vorn-demo --database "$primary" --first-year 2024 --enrolments "$enrolments" >/dev/null
./scripts/pg-standby.sh wait-replay "$servers" 300 >/dev/null

period=(--from 2024-09-01 --to 2025-06-30)
screen=(--screen TStatCursistenPerInstellingForm --institution CVOBR "${period[@]}")
statement=$(build/bin/bench_participants --sql "${period[@]}")

now_ms() { date +%s%3N; }

# One client: the three actions in turn until the time is up; a line per action (action, ms, status).
client() { # number, reader connection, extra options of vorn
  local n=$1 reader=$2
  shift 2
  local log=$work/client-$n.log out=$work/out-$n end=$(($(date +%s) + seconds))
  mkdir -p "$out"
  while [ "$(date +%s)" -lt "$end" ]; do
    for action in ophalen export afdruk; do
      local start status=0
      start=$(now_ms)
      case $action in
        ophalen) build/bin/vorn-query --database "$reader" --sql "$statement" >/dev/null 2>>"$log.err" || status=$? ;;
        export) build/bin/vorn --database "$primary" "$@" export "${screen[@]}" --format csv \
                  --out "$out/export" >/dev/null 2>>"$log.err" || status=$? ;;
        afdruk) build/bin/vorn --database "$primary" "$@" print "${screen[@]}" --report "Statistiek per klas" \
                  --pdf "$out/afdruk.pdf" >/dev/null 2>>"$log.err" || status=$? ;;
      esac
      echo "$action $(($(now_ms) - start)) $status" >>"$log"
    done
  done
}

# The most connections of the database at once on a server, sampled every half second.
watch_connections() { # connection, file
  local most=0 now
  while :; do
    now=$(psql "$1" -tAc "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()" 2>/dev/null || echo 0)
    [ "$now" -gt "$most" ] && most=$now && echo "$most" >"$2"
    sleep 0.5
  done
}

run() { # title, reader connection, extra options of vorn
  local title=$1 reader=$2
  shift 2
  rm -f "$work"/client-*.log "$work"/client-*.log.err "$work"/most-*
  echo 0 >"$work/most-primary"
  echo 0 >"$work/most-standby"
  watch_connections "$primary" "$work/most-primary" &
  local watch_primary=$!
  watch_connections "$standby" "$work/most-standby" &
  local watch_standby=$!
  local pids=() began elapsed
  began=$(date +%s)
  for n in $(seq 1 "$clients"); do
    client "$n" "$reader" "$@" &
    pids+=($!)
  done
  wait "${pids[@]}"
  elapsed=$(($(date +%s) - began)) # a client finishes the loop under way when the time is up
  kill "$watch_primary" "$watch_standby" 2>/dev/null || true
  wait "$watch_primary" "$watch_standby" 2>/dev/null || true
  local left
  left=$(psql "$primary" -tAc "SELECT (SELECT count(*) FROM JOBDATA) + (SELECT count(*) FROM VORN_JOB)")
  printf '%s (%s s tot de laatste client klaar was)\n' "$title" "$elapsed"
  printf 'actie\taantal\tper minuut\tp50 (s)\tp95 (s)\tfouten\n'
  for action in ophalen export afdruk; do
    cat "$work"/client-*.log | awk -v a="$action" '$1 == a { print $2, $3 }' | sort -n |
      awk -v a="$action" -v s="$elapsed" '
        { ms[NR] = $1; if ($2 != 0) errors++ }
        END {
          if (NR == 0) { printf "%s\t0\t0\t-\t-\t0\n", a; exit }
          p50 = ms[int((NR - 1) * 0.50) + 1]; p95 = ms[int((NR - 1) * 0.95) + 1]
          printf "%s\t%d\t%.1f\t%.2f\t%.2f\t%d\n", a, NR, NR * 60 / s, p50 / 1000, p95 / 1000, errors + 0
        }'
  done
  printf 'achtergelaten jobrijen: %s; verbindingen tegelijk: hoofdserver %s, standby %s\n' \
    "$left" "$(cat "$work/most-primary")" "$(cat "$work/most-standby")"
  if cat "$work"/client-*.log.err 2>/dev/null | grep -q .; then
    echo "eerste fouten:"
    cat "$work"/client-*.log.err | sort | uniq -c | sort -rn | head -5
  fi
  echo
}

echo "$clients clients, $seconds s per opstelling, $enrolments inschrijvingen ($(nproc) kernen)"
echo
run "een server" "$primary"
run "hoofdserver met standby voor het lezen" "$standby" --report-database "$standby"
