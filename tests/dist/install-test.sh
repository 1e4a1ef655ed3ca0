#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file is where the desktop entry,
# the MIME definition, the help launcher and man(1) look for it, that the desktop and AppStream
# validators accept the files, and that the file types come out right under that prefix.
# Usage: install-test.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
failed=0
fail() { echo "FAIL: $*"; failed=1; }
expect_file() { [ -f "$1" ] || fail "missing ${1#"$prefix"/}"; }

# The desktop entry's program and icon, the help pages the program's data folder holds, the
# manual pages and the completion.
desktop=$share/applications/org.tabulon.Tabulon.desktop
expect_file "$desktop"
expect_file "$prefix/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
icon=$(sed -n 's/^Icon=//p' "$desktop")
expect_file "$share/icons/hicolor/scalable/apps/$icon.svg"
for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x$size/apps/$icon.png
  expect_file "$png"
  [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')" = "${size}x$size" ] ||
    fail "$png is not $size pixels square"
done
for page in 6Vendrak.Html 6VendSql.Html; do expect_file "$share/tabulon/help/$page"; done
for page in tabulon tabulon-cli; do expect_file "$share/man/man1/$page.1.gz"; done
expect_file "$share/bash-completion/completions/tabulon-cli"
expect_file "$share/metainfo/org.tabulon.Tabulon.metainfo.xml"
expect_file "$share/mime/packages/tabulon.xml"

if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop" || fail "desktop-file-validate"; fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share/metainfo/org.tabulon.Tabulon.metainfo.xml" >/dev/null || fail "appstreamcli validate"
fi

# The manual page says what the program's help says: every command's usage line.
cli=$prefix/bin/tabulon-cli
manual=$(gzip -dc "$share/man/man1/tabulon-cli.1.gz" | sed 's/\\-/-/g; s/\\f[BR]//g; s/\\e/\\/g')
for command in $("$cli" --help | sed -n 's/^  \([a-z][a-z|-]*\) .*/\1/p' | cut -d'|' -f1); do
  usage=$("$cli" "$command" --help | sed -n '1s/^usage: tabulon-cli //p')
  grep -qF -- "$usage" <<<"$manual" || fail "the manual lacks: $usage"
done

# The completion takes a command's options from the installed program's help.
completions=$(PATH=$prefix/bin:$PATH bash -c 'source "$1"; COMP_WORDS=(tabulon-cli dump --f); COMP_CWORD=2
  _tabulon_cli; echo "${COMPREPLY[*]}"' _ "$share/bash-completion/completions/tabulon-cli")
[ "$completions" = "--filter --format" ] || fail "the completion of 'dump --f' is '$completions'"

# The types a file manager gets for a dBase table, a Paradox table (with and without its
# extension), and an SQLite database named x.db.
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  "$build/samples/tabulon-samples" "$work/tables" >/dev/null
  cp "$work/tables/CUSTOMER.DB" "$work/tables/customer-table"
  printf 'SQLite format 3\0' >"$work/tables/x.db"
  head -c 4096 /dev/zero >>"$work/tables/x.db"
  update-mime-database "$share/mime" 2>/dev/null
  while read -r file type; do
    got=$(XDG_DATA_HOME=$share XDG_DATA_DIRS=/usr/share gio info -a standard::content-type "$work/tables/$file" |
      sed -n 's/.*standard::content-type: //p')
    [ "$got" = "$type" ] || fail "$file is $got, not $type"
  done <<'TYPES'
PARTS.DBF application/x-dbf
CUSTOMER.DB application/x-paradox
customer-table application/x-paradox
x.db application/vnd.sqlite3
TYPES
  grep -q "^MimeType=application/x-dbf;application/x-paradox;$" "$desktop" || fail "the desktop entry's MimeType"
else
  echo "update-mime-database or gio not installed: file types not checked"
fi
exit $failed
