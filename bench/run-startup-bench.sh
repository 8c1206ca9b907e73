#!/usr/bin/env bash
# Start-up against its floor: `vorn --screenshot` (modules loaded, the demo database opened, the
# first screen open and filled, the window drawn into a PNG) against a bare Qt window of the same
# size drawn the same way (bench_bare_window), alternately, 9 runs each; prints the medians and
# their ratio.
#   bench/run-startup-bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh >/dev/null
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vorn telmod vorn-demo bench_bare_window >/dev/null

work=$(mktemp -d /tmp/vorn-start.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
build/bin/vorn-demo --database "$work/demo.db" >/dev/null

seconds() { # command...: wall seconds of one run
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", (b - a) / 1e9 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/vorn" && : >"$work/bare"
for _ in 1 2 3 4 5 6 7 8 9; do
  seconds build/bin/vorn --database "$work/demo.db" --screenshot "$work/vorn.png" >>"$work/vorn"
  seconds build/bin/bench_bare_window "$work/bare.png" >>"$work/bare"
done
vorn=$(median <"$work/vorn")
bare=$(median <"$work/bare")
awk -v v="$vorn" -v b="$bare" 'BEGIN { printf "start-up: vorn --screenshot %.3f s, bare Qt window %.3f s, ratio %.2f\n", v, b, v / b }'
