#!/usr/bin/env bash
# Retakes the README's screenshots (docs/screenshots/): the main window, its Fields and Filter
# pages and an SQL result window, on freshly written sample tables, under a virtual X server.
# The program runs installed into a temporary prefix with an empty configuration, so earlier
# sessions' folders and shortcuts do not show.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh xvfb xdotool imagemagick
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target tabulon tabulon-cli tabulon-samples tabulon_manuals tabulon_icons
work=$(mktemp -d)
trap 'kill ${program:-} ${xvfb:-} 2>/dev/null; rm -rf "$work"' EXIT
out=docs/screenshots
mkdir -p "$out"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
cmake --install build --prefix "$work/prefix" >/dev/null
build/samples/tabulon-samples "$work/tables" >/dev/null

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x900x24 3>"$work/display" 2>/dev/null &
xvfb=$!
until [ -s "$work/display" ]; do sleep 0.2; done
export DISPLAY=:$(cat "$work/display")
"$work/prefix/bin/tabulon" "$work/tables/CUSTOMER.DB" >"$work/tabulon.log" 2>&1 &
program=$!

# The main window is titled after the open table; it is 800x560, so its tabs and controls sit at
# fixed places (window coordinates) that the clicks below use.
main=$(xdotool search --sync --onlyvisible --name '^Tabulon - ' | head -1)
sleep 4  # the splash window closes after about three seconds
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.5; }
shoot() {  # shoot WINDOW NAME: saves the window as NAME.png
  sleep 1
  import -window "$1" "$out/$2.png"
  echo "$out/$2.png"
}
shoot "$main" main-window
click 268 59  # Fields
shoot "$main" fields-page
click 324 59  # Filter
click 480 114
xdotool type --delay 5 "Country = 'USA'"
shoot "$main" filter-page
click 441 59  # SQL
click 490 250
xdotool type --delay 5 "SELECT Country, COUNT(*) AS Customers FROM CUSTOMER GROUP BY Country"
click 748 511  # Execute
result=$(xdotool search --sync --onlyvisible --name '^Query1$' | head -1)
shoot "$result" sql-result
