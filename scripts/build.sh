#!/usr/bin/env bash
# Configures and builds one build folder. Usage: build.sh FOLDER [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$1
# Clones in other folders (CI's fresh checkout, work trees) reuse each other's compiled objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
shift
if [ ! -f "$folder/build.ninja" ]; then
  cmake -S . -B "$folder" -G Ninja "$@"
fi
cmake --build "$folder"
