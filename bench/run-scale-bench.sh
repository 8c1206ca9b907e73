#!/usr/bin/env bash
# Speed and memory at scale, in one table: the OSP participant screen of the largest centre with
# 250,000, 1,000,000 and 2,000,000 enrolments in a school year and over three school years of
# 2,000,000 (6,000,000 rows), each set against a floor or a peer measured in the same run; the
# exports of both participant screens (whole process, fetch included, with peak memory); the pupil
# and staff screens on a school of 20,000 pupils and 5,000 staff; a stored statistic of 1,000,000
# rows read through the read-only statement path. Creates the databases it lacks in
# build/bench-data (the 2,000,000 one takes a few minutes).
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
