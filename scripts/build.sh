#!/usr/bin/env bash
# Configures and builds one build folder. Usage: build.sh FOLDER [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$1
shift
if [ ! -f "$folder/build.ninja" ]; then
  cmake -S . -B "$folder" -G Ninja "$@"
fi
cmake --build "$folder"
