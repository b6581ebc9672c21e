#!/usr/bin/env bash
# cmake --install into a fresh prefix lays out the programs, the desktop entry, the icon, the file
# type and the manual pages, and the desktop's own tools take them as they would take them from a
# package.
#   install_test.sh BUILD_DIR PREFIX
set -euo pipefail
build=$1
prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

for file in bin/orvane bin/orvane-export; do
  [[ -x $prefix/$file ]] || fail "$file is not an installed program"
done
for file in share/applications/orvane.desktop share/icons/hicolor/scalable/apps/orvane.svg \
            share/mime/packages/orvane.xml share/man/man1/orvane.1 share/man/man1/orvane-export.1; do
  [[ -s $prefix/$file ]] || fail "$file is missing or empty"
done

desktop=$prefix/share/applications/orvane.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects orvane.desktop"
grep -qx 'Exec=orvane %f' "$desktop" || fail "the desktop entry does not pass the file to orvane"
grep -qx 'Icon=orvane' "$desktop" || fail "the desktop entry does not name the icon"
grep -qx 'MimeType=application/x-orvane-tileset;' "$desktop" ||
  fail "the desktop entry does not claim the tileset type"

# The file type as a desktop compiles it: *.tst is ours, and called "Tileset file".
mime=$prefix/share/mime
# It says on standard error that the prefix is not searched: only a failure is worth showing.
if ! said=$(update-mime-database "$mime" 2>&1); then
  fail "update-mime-database rejects orvane.xml: $said"
fi
grep -q ':application/x-orvane-tileset:\*\.tst' "$mime/globs2" || fail "*.tst is not ours"
grep -q '<comment>Tileset file</comment>' "$mime/application/x-orvane-tileset.xml" ||
  fail "the tileset type is not called 'Tileset file'"

grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/orvane.svg" || fail "the icon is no SVG"

for program in orvane orvane-export; do
  page=$prefix/share/man/man1/$program.1
  title=$(tr '[:lower:]' '[:upper:]' <<<"$program")
  grep -q "^\.TH \"$title\" \"1\"" "$page" || fail "$program.1 has no title line"
  grep -q '^\.SH SYNOPSIS' "$page" || fail "$program.1 has no synopsis"
  grep -q "^${program//-/\\\\-} " "$page" || fail "$program.1 does not show the command"
done
"$prefix/bin/orvane-export" --help | grep -q 'orvane-export' || fail "the installed orvane-export does not run"

if ((failures > 0)); then
  exit 1
fi
echo "install: every file laid out under $prefix"
