#!/usr/bin/env bash
# Installs the Debian packages Tabulon needs to build, run and test, when any is missing, and the
# packages named as arguments (what a script needs beyond that).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format ccache
  qt6-base-dev libgl-dev
  libsqlite3-dev libicu-dev libuchardet-dev
  libgtest-dev libbenchmark-dev
  python3 python3-dbfread python3-dbf
  desktop-file-utils appstream shared-mime-info libglib2.0-bin dpkg-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
