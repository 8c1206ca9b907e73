#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Idempotent: it only calls apt-get when a package is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  postgresql postgresql-client sqlite3 libsqlite3-dev libpq-dev
  libxlsxwriter-dev qt6-svg-dev qt6-translations-l10n unzip
  xvfb xauth fonts-dejavu-core bsdextrautils poppler-utils
  scdoc dpkg-dev file desktop-file-utils appstream lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
