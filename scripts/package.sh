#!/usr/bin/env bash
# Builds the Debian package of Tabulon (build-package/tabulon_VERSION_ARCH.deb, its dependencies
# computed from the shared libraries it links) and checks it with lintian, which must report no
# errors. Install it with: sudo apt install ./build-package/tabulon_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh lintian
scripts/build.sh build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABULON_TESTS=OFF -DTABULON_BENCH=OFF
(cd build-package && cpack >/dev/null)
deb=$(ls build-package/tabulon_*.deb)
lintian --fail-on error "$deb"
echo "$deb"
