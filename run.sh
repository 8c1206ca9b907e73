#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database when absent, and runs the main job.
# Until the desktop client exists, the main job is a statistics overview printed by vorn-query.
# With arguments, they go to vorn-query instead (for example: ./run.sh --list).
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
build/bin/vorn-demo --if-absent

if [ $# -gt 0 ]; then
  exec build/bin/vorn-query "$@"
fi

today=$(date +%F)
year=$(date +%Y)
month=$(date +%-m)
schoolyear=$(( month >= 9 ? year : year - 1 ))
sj_id=$(build/bin/vorn-query --sql "SELECT SJ_ID FROM SCHOOLJAAR WHERE SJ_CODE = :JAAR" "JAAR=$schoolyear" | sed -n 2p)

echo
echo "De desktopclient bestaat nog niet; dit is het overzicht dat vorn-query nu al geeft."
echo
echo "== Instellingen"
build/bin/vorn-query DSPSelectIS | column -s, -t
if [ -n "$sj_id" ]; then
  echo
  echo "== Leerlingen per klas op $today in instelling 1 (schooljaar $schoolyear-$((schoolyear + 1)))"
  build/bin/vorn-query DSPStatLLPerKlas "SJ_ID=$sj_id" "WerkDatum=$today" IS_ID=1 | column -s, -t
fi
echo
echo "== Personeel: uren in ambt 6 en 7 op $today in instelling 1"
build/bin/vorn-query DSPStatUrenInAmbt6en7 IS_ID=1 "WerkDatum=$today" | cut -d, -f2-5 | column -s, -t
echo
echo "== Cursisten van instelling 5 in schooljaar $schoolyear-$((schoolyear + 1)): inschrijvingen en personen"
build/bin/vorn-query --sql "SELECT COUNT(*) AS INSCHRIJVINGEN, COUNT(DISTINCT CU_LEERLING_FK) AS PERSONEN FROM CURRICULUM
  WHERE CU_INSTELLING_FK = :IS_ID AND CU_BEGINDATUM <= :EIND AND (CU_EINDDATUM IS NULL OR CU_EINDDATUM >= :BEGIN)" \
  IS_ID=5 "BEGIN=$schoolyear-09-01" "EIND=$((schoolyear + 1))-06-30" | column -s, -t
echo
echo "Meer: ./run.sh --list toont alle providers; ./run.sh NAAM PARAMETER=WAARDE ... vraagt er een op."
