#!/usr/bin/env bash
# Installs what is missing, checks the sources' format, builds, and runs every test: the whole
# suite, the engine suite under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz
# target for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Format (scripts/check-format.sh --fix formats)"
scripts/check-format.sh

echo "== Build and test"
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Engine tests under AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DTABULON_SANITIZE=ON -DTABULON_GUI=OFF -DTABULON_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== Fuzz targets"
scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTABULON_FUZZ=ON -DTABULON_GUI=OFF -DTABULON_BENCH=OFF -DTABULON_TESTS=OFF
scripts/fuzz.sh build-fuzz "${FUZZ_SECONDS:-5}"
