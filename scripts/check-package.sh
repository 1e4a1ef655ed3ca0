#!/usr/bin/env bash
# Installs a Tabulon package into a fresh Debian 12 system (a debootstrap chroot, as root), runs
# both programs there, removes the package and checks that none of its files stay behind.
# Usage: sudo scripts/check-package.sh build-package/tabulon_*.deb
set -euo pipefail
deb=$(realpath "$1")
cd "$(dirname "$0")/.."
scripts/install-deps.sh debootstrap
root=$(mktemp -d)
chmod 755 "$root"  # apt's download user reads the chroot's lists
trap 'umount "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/tabulon.deb"
build-package/samples/tabulon-samples "$root/tmp/tables" >/dev/null
chroot "$root" bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq /tmp/tabulon.deb >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }
  tabulon-cli --version
  tabulon-cli info /tmp/tables/PARTS.DBF >/dev/null
  # The program starts and runs until stopped (status 124 from timeout).
  status=0; QT_QPA_PLATFORM=offscreen timeout 5 tabulon /tmp/tables/CUSTOMER.DB 2>/dev/null || status=$?
  [ "$status" -eq 124 ] || { echo "tabulon ended with status $status"; exit 1; }
  files=$(dpkg -L tabulon | while read -r path; do [ -f "$path" ] && echo "$path"; done)
  apt-get remove --purge -y -qq tabulon >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }
  for path in $files; do [ ! -e "$path" ] || { echo "left behind: $path"; exit 1; }; done
  echo "installed, ran and removed cleanly"'
