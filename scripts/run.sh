#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tabulon on the bundled sample tables.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/app/tabulon "$@" samples/
