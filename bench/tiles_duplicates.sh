#!/usr/bin/env bash
# orvane-tiles duplicates on the largest tileset (32 767 tiles, 100 MB), the whole program from
# start to exit, against its floors: cat of the same file (reading it, from the page cache) and
# cksum of it (one pass over every byte). Tiles all distinct, and 1000 tiles over and over (each
# copy compared byte for byte with its first); --symmetric on both; and the peak memory
# (/usr/bin/time -v) beside the file's size. The goal is under 0.2 s for duplicates.
# Needs a build of the default preset and what `scripts/setup bench` installs (hyperfine, GNU time).
# Run: bench/tiles_duplicates.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/default/bin
for tool in hyperfine /usr/bin/time python3 "$bin/orvane-tiles" "$bin/bench_files"; do
  command -v "$tool" >/dev/null || { echo "tiles_duplicates: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/bench_files" tileset 32767 "$work/distinct.tst"
"$bin/bench_files" tileset 1000 "$work/thousand.tst"
# The thousand tiles over and over, up to 32 767, under a header that counts them.
python3 - "$work/thousand.tst" "$work/copies.tst" <<'PY'
import sys
tiles = open(sys.argv[1], 'rb').read()[6:]
size = 32767 * 3072
with open(sys.argv[2], 'wb') as out:
    out.write(b'\0\0\xff\x7f\0\0' + (tiles * (size // len(tiles) + 1))[:size])
PY
hyperfine --warmup 3 --runs 20 -N \
  "cat $work/distinct.tst" "cksum $work/distinct.tst" \
  "$bin/orvane-tiles duplicates $work/distinct.tst" \
  "$bin/orvane-tiles duplicates $work/copies.tst" \
  "$bin/orvane-tiles duplicates --symmetric $work/distinct.tst" \
  "$bin/orvane-tiles duplicates --symmetric $work/copies.tst"
for file in distinct copies; do
  peak=$(/usr/bin/time -f %M "$bin/orvane-tiles" duplicates "$work/$file.tst" 2>&1 >/dev/null)
  echo "peak memory of duplicates on $file.tst: $((peak / 1024)) MiB (the file: $(($(stat -c %s "$work/$file.tst") / 1048576)) MiB)"
done
