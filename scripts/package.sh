#!/usr/bin/env bash
# Makes the Debian package of the client: installs what is missing, builds a release build in
# build-deb and writes build-deb/vorn_VERSION-1_ARCH.deb with CPack, then checks it with lintian.
# Install it with: sudo apt install ./build-deb/vorn_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BENCHMARKS=OFF -DVORN_TESTS=OFF >/dev/null
cmake --build build-deb -j "$(nproc)"
(cd build-deb && cpack -G DEB >/dev/null)
package=$(ls build-deb/vorn_*.deb)
echo "Pakket: $package ($(du -h "$package" | cut -f1))"
lintian --fail-on error --suppress-tags-from-file packaging/lintian-explained "$package"
