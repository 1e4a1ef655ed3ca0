#!/usr/bin/env bash
# Runs every fuzz target of a build folder for some seconds, seeded from fuzz/corpus/<target>/
# and, for the table parsers, from the real-world fixtures. Usage: fuzz.sh BUILD_FOLDER SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$1
seconds=$2
passed=0
failed=0
for target in "$folder"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
  if [[ $name == fuzz_dbase_* ]] && [ -d ../shared/fixtures/dbase ]; then
    python3 fuzz/dbase_seeds.py "$name" ../shared/fixtures "$work/seeds" && seeds+=("$work/seeds")
  fi
  case $name in fuzz_paradox_*) [ -d ../shared/fixtures/paradox ] && seeds+=(../shared/fixtures/paradox) ;; esac
  if "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="$work/" \
       "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    echo "fuzz $name: ok"
    passed=$((passed + 1))
  else
    echo "fuzz $name: FAILED"; tail -n 40 "$work/log"
    failed=$((failed + 1))
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
