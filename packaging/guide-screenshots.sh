#!/usr/bin/env bash
# Pictures for the user guide, made by the programs themselves on a demo database of their own:
#   guide-screenshots.sh BIN_DIR OUT_DIR
# Nothing of the user's settings or databases is touched (a home folder of its own).
set -euo pipefail
bin=$(realpath "$1")
out=$(realpath -m "$2")
work=$(mktemp -d /tmp/vorn-guide.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
export USER=directie HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen
unset VORN_DATABASE
db="$work/demo.db"
# Fixed seed and years, so that the pictures change only when the program does.
"$bin/vorn-demo" --database "$db" --seed 2024 --first-year 2023 >/dev/null
vorn() { "$bin/vorn" --database "$db" "$@" >/dev/null; }
vorn --screenshot "$out/hoofdvenster.png"
vorn export --screen TStatLLPerInstellingForm --institution KAGNT --date 2025-10-01 --out "$work/e1" \
  --screenshot "$out/leerlingen.png"
vorn export --screen TStatCursistenPerInstellingForm --institution CVOBR --from 2025-09-01 --to 2026-06-30 \
  --out "$work/e2" --screenshot "$out/cursisten.png"
vorn export --screen TOLAPStatsForm --institution CVOBR --statistic CURSSTG --date 2025-10-01 --out "$work/e3" \
  --screenshot "$out/kubus.png"
"$bin/vorn-dialogshot" "$out/databank.png"
