#!/usr/bin/env bash
# Speed and memory at scale, in one table: the OSP participant screen of the largest centre with
# 250,000, 1,000,000 and 2,000,000 enrolments in a school year and over three school years of
# 2,000,000 (6,000,000 rows), each set against a floor or a peer measured in the same run; the
# exports of both participant screens (whole process, fetch included, with peak memory); the pupil
# and staff screens on a school of 20,000 pupils and 5,000 staff; a stored statistic of 1,000,000
# rows read through the read-only statement path; on the 1,000,000-enrolment centre the job rows,
# the report preview, the CPU and memory of an export of every format, the start-up, and on a
# throwaway PostgreSQL server the CSV export against psql's \copy and the job rows against COPY.
# Creates the databases it lacks in build/bench-data (the 2,000,000 one takes a few minutes; loading
# the PostgreSQL server about four).
#   bench/run-scale-bench.sh [SIZE ...]     (sizes 250k 1M 2M 3x2M; all by default)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh >/dev/null
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen

data=build/bench-data
mkdir -p "$data"
demo() { # file, extra options
  local file=$1
  shift
  [ -f "$data/$file" ] || build/bin/vorn-demo --database "$data/$file" --first-year 2024 "$@" >/dev/null
}
demo osp-250k.db --enrolments 250000
demo osp-1m.db --enrolments 1000000
demo osp-2m.db --enrolments 2000000
demo school-20k.db --pupils 20000 --staff 5000

work=$(mktemp -d /tmp/vorn-scale.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Seconds of wall time and peak memory in MB of one command, from /usr/bin/time -v.
measure() {
  /usr/bin/time -v "$@" >"$work/out" 2>"$work/time" || { cat "$work/out" "$work/time" >&2; return 1; }
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + t[i] }
              /Maximum resident set size/ { kb = $2 }
              END { printf "%.2f\t%.0f\n", s, kb / 1024 }' "$work/time"
}

row() { printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

printf 'grootte\twerk\tproject (s)\tvloer of peer\tpeer (s)\tverhouding\tpiek (MB)\n'
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(250k 1M 2M 3x2M)
for size in "${sizes[@]}"; do
  case $size in
    250k) db=$data/osp-250k.db; to=2025-06-30 ;;
    1M) db=$data/osp-1m.db; to=2025-06-30 ;;
    2M) db=$data/osp-2m.db; to=2025-06-30 ;;
    3x2M) db=$data/osp-2m.db; to=2027-06-30 ;;
    *) echo "onbekende grootte $size (250k, 1M, 2M of 3x2M)" >&2; exit 2 ;;
  esac
  period=(--from 2024-09-01 --to "$to")
  peak=$(measure build/bin/bench_participants --fetch-only "${period[@]}" "$db" | cut -f2)
  build/bin/bench_participants --table "${period[@]}" "$db" 2>/dev/null |
    while IFS=$'\t' read -r what ours peer theirs r; do
      memory=-
      case $what in ophalen*) memory=$peak ;; esac
      row "$size" "$what" "$ours" "$peer" "$theirs" "$r" "$memory"
    done
  sql=$(build/bin/bench_participants --sql "${period[@]}" "$db" 2>/dev/null)
  read -r peer_s peer_mb < <(measure sqlite3 -csv -header "$db" "$sql")
  for format in csv xlsx; do
    read -r s mb < <(measure build/bin/vorn --database "$db" export --screen TStatCursistenPerInstellingForm \
      --institution CVOBR "${period[@]}" --format "$format" --out "$work/osp-$format")
    row "$size" "export OSP $format (hele proces)" "$s" "sqlite3 -csv van dezelfde rijen" "$peer_s" \
      "$(ratio "$s" "$peer_s")" "$mb"
  done
  read -r s mb < <(measure build/bin/vorn --database "$db" export --screen TStatVWOCursistenPerInstellingForm \
    --institution VWOHA "${period[@]}" --format csv --out "$work/vwo-csv")
  row "$size" "export VWO csv (hele proces, half zoveel rijen)" "$s" "-" "-" "-" "$mb"
done

school=$data/school-20k.db
for screen in TStatLLPerInstellingForm TStatsPSUrenForm TStatsPSPopulatieForm; do
  fetch=$(build/bin/bench_screen_fetch "$school" "$screen" SJCAA 2025-01-15 2>/dev/null | cut -f2)
  row "20.000 ll." "$screen: ophalen (actie tot getekend venster)" "$fetch" "-" "-" "-" "-"
  read -r s mb < <(measure build/bin/vorn --database "$school" export --screen "$screen" --institution SJCAA \
    --date 2025-01-15 --format csv --out "$work/$screen")
  row "20.000 ll." "$screen: export csv (hele proces)" "$s" "-" "-" "-" "$mb"
done
recount=$(build/bin/bench_client --benchmark_filter=BM_PopulationRecount --benchmark_format=csv 2>/dev/null |
  awk -F, '/BM_PopulationRecount/ { printf "%.3f", $3 / 1000 }')
row "100.000 pers." "herberekening personeelspopulatie" "$recount" "-" "-" "-" "-"

# A stored statistic of a million rows of nine columns through the read-only statement path: its time
# against the same statement read with its fields given, and its peak memory against its typed columns.
build/bin/bench_statement "$data/osp-1m.db" 2>/dev/null |
  awk '/getypeerde kolommen/ { columns = $(NF - 1) }
       /^alleen-lezen pad/ { ours = $3; peak = $6 }
       /^met velden vooraf/ { floor = $4 }
       END {
         printf "1M\tstatistiek 1M x 9: lezen (alleen-lezen pad)\t%s\tmet velden vooraf\t%s\t%.2f\t-\n", ours, floor, ours / floor
         printf "1M\tstatistiek 1M x 9: piekgroei geheugen (MB)\t%s\tde getypeerde kolommen (MB)\t%s\t%.2f\t-\n", peak, columns, peak / columns
       }'

# The rest of the last speed round on the 1,000,000-enrolment centre, each against its floor or peer.
db=$data/osp-1m.db
period=(--from 2024-09-01 --to 2025-06-30)
screen=(--screen TStatCursistenPerInstellingForm --institution CVOBR "${period[@]}")
# CPU seconds (user + system) and peak memory in MB of one command.
cpu() {
  /usr/bin/time -f '%U %S %M' "$@" >"$work/out" 2>"$work/time" || { cat "$work/out" "$work/time" >&2; return 1; }
  tail -n 1 "$work/time" | awk '{ printf "%.2f\t%.0f\n", $1 + $2, $3 / 1024 }'
}
# Job rows and the preview of the class report (SQLite).
build/bin/bench_print "$db" 2>/dev/null | awk -F'[ ;:]+' '
  /job rows written/ { for (i = 1; i <= NF; ++i) { if ($i == "in" && !ours) ours = $(i + 1); if ($i == "INSERT") floor = $(i + 1) }
                       printf "1M\tjobrijen SQLite (SavePrintStats, 25.000 rijen)\t%s\téén voorbereide INSERT\t%s\t%.2f\t-\n", ours, floor, ours / floor }
  /class report/ { for (i = 1; i <= NF; ++i) { if ($i == "page" && !first) first = $(i + 1); if ($i == "every") qt = $(i + 2) }
                   printf "1M\tvoorbeeld klassenrapport: eerste pagina\t%s\tQt-voorbeeld met elke pagina\t%s\t%.2f\t-\n", first, qt, first / qt }'
sql=$(build/bin/bench_participants --sql "${period[@]}" 2>/dev/null)
read -r peer_cpu peer_mb < <(cpu sqlite3 -csv -header "$db" "$sql")
read -r csv_cpu csv_mb < <(cpu build/bin/vorn --database "$db" export "${screen[@]}" --format csv --out "$work/cpu-csv")
read -r all_cpu all_mb < <(cpu build/bin/vorn --database "$db" export "${screen[@]}" --format all --out "$work/cpu-all")
row 1M "export OSP all: processortijd (s)" "$all_cpu" "sqlite3 -csv van dezelfde rijen" "$peer_cpu" \
  "$(ratio "$all_cpu" "$peer_cpu")" "$all_mb"
row 1M "export OSP all: piekgeheugen (MB)" "$all_mb" "export csv + 100 MB" "$((csv_mb + 100))" \
  "$(ratio "$all_mb" "$((csv_mb + 100))")" "$all_mb"
# Start-up, against a bare Qt window of the same size.
bench/run-startup-bench.sh 2>/dev/null | awk '/start-up/ {
  for (i = 1; i <= NF; ++i) { if ($i == "--screenshot") ours = $(i + 1); if ($i == "window") bare = $(i + 1) }
  printf "-\topstart (vorn --screenshot)\t%s\tkaal Qt-venster van dezelfde grootte\t%s\t%.2f\t-\n", ours, bare, ours / bare }'

# PostgreSQL: the same centre on a throwaway server (loading it takes a few minutes): the export to
# CSV against psql's \copy of the same rows, and the job rows against COPY.
pgdir=$(mktemp -u /tmp/vorn-scale-pg.XXXXXX)
pg=$(./scripts/pg-test-server.sh start "$pgdir")
trap './scripts/pg-test-server.sh stop "$pgdir"; rm -rf "$work"' EXIT
build/bin/vorn-demo --database "$pg" --first-year 2024 --enrolments 1000000 >/dev/null
read -r peer_s _ < <(measure psql "$pg" -qc "\\copy ($sql) TO '$work/peer.csv' CSV HEADER")
read -r s mb < <(measure build/bin/vorn --database "$pg" export "${screen[@]}" --format csv --out "$work/pg-csv")
row 1M "export OSP csv op PostgreSQL (hele proces)" "$s" "psql \\copy van dezelfde rijen" "$peer_s" \
  "$(ratio "$s" "$peer_s")" "$mb"
build/bin/bench_print "$db" "$pg" 2>/dev/null | awk -F'[ ;:]+' '
  /^PostgreSQL: .*job rows written/ { for (i = 1; i <= NF; ++i) { if ($i == "in" && !ours) ours = $(i + 1); if ($i == "COPY") floor = $(i + 1) }
                       printf "1M\tjobrijen PostgreSQL (SavePrintStats, 25.000 rijen)\t%s\tCOPY\t%s\t%.2f\t-\n", ours, floor, ours / floor }'
