#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database when absent, and starts the client.
# Without a screen it writes a picture of the main window instead and says how to see the client.
# Arguments go to the client (for example: ./run.sh --open TStatLLPerInstellingForm).
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
build/bin/vorn-demo --if-absent

if [ $# -gt 0 ]; then
  exec build/bin/vorn "$@"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/vorn
fi

# No screen here: show what the client looks like, and how to see it for real.
shot=build/vorn-hoofdvenster.png
build/bin/vorn --screenshot "$shot"
echo
echo "Er is hier geen scherm, dus de client draait niet zichtbaar."
echo "Het hoofdvenster met het overzicht van de instellingen staat in $shot."
echo "Zo zie je de client zelf:  xvfb-run -a ./run.sh   (of op een machine met een scherm: ./run.sh)"
echo "Ook zonder scherm: build/bin/vorn-query --list toont de providers van de databank."
