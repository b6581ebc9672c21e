#!/usr/bin/env bash
# cmake --install into a fresh prefix lays out the programs, the desktop entry, the icon, the file
# type, the thumbnailer and the manual pages, and the desktop's own tools take them as they would
# take them from a package; the thumbnailer's command, run as a file manager runs it, writes a
# thumbnail.
#   install_test.sh BUILD_DIR PREFIX [TILESET]   (TILESET to thumbnail: samples/terrain.tst)
set -euo pipefail
build=$1
prefix=$2
tileset=${3:-$(dirname "$0")/../../samples/terrain.tst}
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

for file in bin/orvane bin/orvane-export bin/orvane-pack bin/orvane-tiles; do
  [[ -x $prefix/$file ]] || fail "$file is not an installed program"
done
metainfo=share/metainfo/org.orvane.orvane.metainfo.xml
for file in share/applications/orvane.desktop share/icons/hicolor/scalable/apps/orvane.svg \
            share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/orvane.png \
            share/mime/packages/orvane.xml share/thumbnailers/orvane.thumbnailer "$metainfo" \
            share/doc/orvane/copyright share/doc/orvane/changelog.gz \
            share/man/man1/orvane.1.gz share/man/man1/orvane-export.1.gz \
            share/man/man1/orvane-pack.1.gz share/man/man1/orvane-tiles.1.gz; do
  [[ -s $prefix/$file ]] || fail "$file is missing or empty"
done

# Software centres list what AppStream's own validator accepts; it is checked where installed.
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$prefix/$metainfo" >/dev/null ||
    fail "appstreamcli validate rejects the metainfo"
fi

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

for program in orvane orvane-export orvane-pack orvane-tiles; do
  page=$(gzip -dc "$prefix/share/man/man1/$program.1.gz")
  title=$(tr '[:lower:]' '[:upper:]' <<<"$program")
  grep -q "^\.TH \"$title\" \"1\"" <<<"$page" || fail "$program.1 has no title line"
  grep -q '^\.SH SYNOPSIS' <<<"$page" || fail "$program.1 has no synopsis"
  grep -q '^\.SH SEE ALSO' <<<"$page" || fail "$program.1 has no SEE ALSO"
  grep -q "^\(\.B \)\?${program//-/\\\\-}\( \|$\)" <<<"$page" || fail "$program.1 does not show the command"
done
grep -q '^\.SH EXPORTING MANY TILESETS' <<<"$(gzip -dc "$prefix/share/man/man1/orvane-export.1.gz")" ||
  fail "orvane-export.1 has no section for the batch form"
grep -q '^\.SH DIFF' <<<"$(gzip -dc "$prefix/share/man/man1/orvane-tiles.1.gz")" ||
  fail "orvane-tiles.1 has no section for diff"
# Whole output first: grep -q would close the pipe early and, under pipefail, fail the writer.
grep -q 'orvane-export' <<<"$("$prefix/bin/orvane-export" --help)" || fail "the installed orvane-export does not run"

# The thumbnailer as GNOME Files and Thunar's tumbler run it: %s, %i and %o substituted in Exec,
# the program found on the PATH; a PNG within %s x %s pixels (big-endian at bytes 16 and 20) in %o.
thumbnailer=$prefix/share/thumbnailers/orvane.thumbnailer
grep -qx 'MimeType=application/x-orvane-tileset;' "$thumbnailer" ||
  fail "the thumbnailer claims no tilesets"
out=$(mktemp -d)/gnome-desktop-thumbnailer.png
command=$(sed -n 's/^Exec=//p' "$thumbnailer" |
  sed "s|%s|128|; s|%i|$(printf %q "$tileset")|; s|%o|$out|")
start=$(date +%s%N)
PATH=$prefix/bin:$PATH eval "$command" || fail "the thumbnailer's command failed: $command"
ms=$((($(date +%s%N) - start) / 1000000))
read -r png width height < <(od -An -tu1 -N24 "$out" 2>/dev/null | tr -s ' \n' ' ' |
  awk '{print ($2 $3 $4 == "807871"), $17 * 2^24 + $18 * 2^16 + $19 * 256 + $20,
               $21 * 2^24 + $22 * 2^16 + $23 * 256 + $24}') || true
if ((png == 1 && width >= 1 && width <= 128 && height >= 1 && height <= 128)); then
  echo "install: the thumbnailer wrote ${width} x ${height} of $(basename "$tileset") in ${ms} ms"
else
  fail "no PNG within 128 x 128 pixels from the thumbnailer"
fi
rm -rf "$(dirname "$out")"

if ((failures > 0)); then
  exit 1
fi
echo "install: every file laid out under $prefix"
