#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample tables once, and starts Tabulon on them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ ! -d samples/generated ]; then
  # Written aside and moved into place, so an interrupted run leaves no half set behind.
  rm -rf samples/generated.tmp
  build/samples/tabulon-samples samples/generated.tmp
  mv samples/generated.tmp samples/generated
fi
exec build/app/tabulon "$@" samples/generated/
