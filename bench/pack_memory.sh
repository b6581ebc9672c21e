#!/usr/bin/env bash
# The peak memory of orvane-pack (/usr/bin/time -v, its maximum resident set) on pictures whose
# headers ask for far more than their tiles need (bench/pack_pictures.py makes them):
#   interlaced  a 16384 x 16384 Adam7 picture of some 1 MB, 512 cells drawn
#   wide        1 048 544 x 32 pixels, some 130 KB, one cell drawn
#   sparse      the largest tileset's sheet, 608 x 55 200, one cell drawn
# and on the largest real sheet, 32 767 tiles of a mix, as orvane-export writes it (read in
# bands) and written again without its band table (read row by row). Each line gives the input's
# size, the peak, the exit status and the last line the program printed.
# Needs a build of the default preset, GNU time and python3 (scripts/setup bench).
# Run: bench/pack_memory.sh [BIN_DIR], BIN_DIR holding the orvane-pack to measure (the default
# preset's by default); the inputs are made with the default preset's programs.
set -euo pipefail
cd "$(dirname "$0")/.."
built=$PWD/build/default/bin
bin=$(cd "${1:-$built}" && pwd)
for tool in /usr/bin/time python3 "$bin/orvane-pack" "$built/orvane-export" "$built/bench_files"; do
  command -v "$tool" >/dev/null || { echo "pack_memory: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for kind in interlaced wide sparse; do
  python3 bench/pack_pictures.py "$kind" "$work/$kind.png"
done
"$built/bench_files" tileset 32767 "$work/largest.tst" mix
"$built/orvane-export" "$work/largest.tst" "$work/largest.png" >/dev/null
python3 bench/pack_pictures.py rows "$work/largest.png" "$work/largest-rows.png"

printf '%-14s %12s %12s %6s  %s\n' input "file, bytes" "peak, MB" exit "said"
for name in interlaced wide sparse largest largest-rows; do
  status=0
  /usr/bin/time -v -o "$work/time" "$bin/orvane-pack" "$work/$name.png" "$work/$name.tst" \
    >"$work/out" 2>&1 || status=$?
  kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
  printf '%-14s %12d %12.1f %6d  %s\n' "$name" "$(stat -c %s "$work/$name.png")" \
    "$(awk "BEGIN { print $kb * 1024 / 1e6 }")" "$status" "$(tail -n 1 "$work/out")"
  rm -f "$work/$name.tst"
done
