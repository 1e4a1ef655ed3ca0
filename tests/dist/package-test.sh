#!/usr/bin/env bash
# Makes the Debian package from the build and checks its file list and its dependencies.
# Skips (77) where dpkg-deb or dpkg-shlibdeps is missing. Usage: package-test.sh BUILD_FOLDER
set -euo pipefail
build=$1
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || { echo "no dpkg tools"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/tabulon_*.deb)
failed=0
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in usr/bin/tabulon usr/bin/tabulon-cli usr/share/applications/org.tabulon.Tabulon.desktop \
  usr/share/mime/packages/tabulon.xml usr/share/metainfo/org.tabulon.Tabulon.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/tabulon.svg usr/share/icons/hicolor/48x48/apps/tabulon.png \
  usr/share/tabulon/help/6Vendrak.Html usr/share/man/man1/tabulon-cli.1.gz \
  usr/share/bash-completion/completions/tabulon-cli usr/share/doc/tabulon/copyright \
  usr/share/doc/tabulon/changelog.Debian.gz; do
  grep -qx "./$path" <<<"$listing" || { echo "FAIL: the package lacks $path"; failed=1; }
done
# Anything outside /usr would be a stray install rule (a test, a build path).
if grep -v '^\./usr/' <<<"$listing" | grep -vqx './'; then
  echo "FAIL: files outside /usr:"; grep -v '^\./usr/' <<<"$listing"; failed=1
fi
# Dependencies come from the shared libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libsqlite3 libc6; do
  grep -q "$library" <<<"$depends" || { echo "FAIL: Depends lacks $library: $depends"; failed=1; }
done
exit $failed
