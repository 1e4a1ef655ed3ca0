#!/usr/bin/env bash
# Times CSV export of the benchmarks' 1,000,000-record dBase table side by side:
# tabulon-cli dump --format csv, the text export (bench/export_table_csv), GDAL's ogr2ogr -f CSV
# and python3-dbfread with the csv module, each writing a file, best of 3; prints the times and
# how many times faster tabulon-cli and the text export are.
# Installs the other two from Debian packages when missing. Argument: the build folder
# (default: build); it must hold tabulon-cli, bench/write_million_record_dbase and
# bench/export_table_csv.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$build/cli/tabulon-cli
writer=$build/bench/write_million_record_dbase
exporter=$build/bench/export_table_csv
for program in "$cli" "$writer" "$exporter"; do
  [ -x "$program" ] || {
    echo "missing $program: build tabulon-cli, write_million_record_dbase and export_table_csv" >&2
    exit 1
  }
done

# The Debian interpreter: dbfread comes as a Debian package, whatever python3 is first on PATH.
python=/usr/bin/python3
if ! command -v ogr2ogr > /dev/null || ! "$python" -c 'import dbfread' 2> /dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq gdal-bin python3-dbfread > /dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "writing the table..."
table=$("$writer" tabulon-compare-csv-export)
trap 'rm -rf "$work" "$(dirname "$table")"' EXIT

cat > "$work/dbfread_csv.py" <<'PY'
import csv, sys
from dbfread import DBF
table = DBF(sys.argv[1])
with open(sys.argv[2], "w", newline="") as out:
    writer = csv.writer(out)
    writer.writerow(table.field_names)
    for record in table:
        writer.writerow(record.values())
PY

# Best wall-clock seconds of three runs of the command after the output file name.
best_of_3() {
  local output=$1 best=0 start elapsed
  shift
  for _ in 1 2 3; do
    rm -f "$output"
    start=$(date +%s%N)
    "$@"
    elapsed=$(($(date +%s%N) - start))
    if [ "$best" = 0 ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.2f", ns / 1e9 }'
}

tabulon=$(best_of_3 "$work/tabulon.csv" sh -c '"$1" dump "$2" --format csv > "$3"' - "$cli" "$table" "$work/tabulon.csv")
textexport=$(best_of_3 "$work/export.csv" "$exporter" "$table" "$work/export.csv")
gdal=$(best_of_3 "$work/gdal.csv" ogr2ogr -f CSV "$work/gdal.csv" "$table")
dbfread=$(best_of_3 "$work/dbfread.csv" "$python" "$work/dbfread_csv.py" "$table" "$work/dbfread.csv")

awk -v t="$tabulon" -v e="$textexport" -v g="$gdal" -v d="$dbfread" 'BEGIN {
  printf "tabulon-cli dump --format csv  %6.2f s\n", t
  printf "text export (CSV)              %6.2f s\n", e
  printf "ogr2ogr -f CSV                 %6.2f s  (%.1fx tabulon-cli, %.1fx the text export)\n", g, g / t, g / e
  printf "python3-dbfread + csv          %6.2f s  (%.1fx tabulon-cli, %.1fx the text export)\n", d, d / t, d / e
}'
