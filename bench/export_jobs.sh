#!/usr/bin/env bash
# The whole program against its floors, in rounds that take turns so that a change of load on the
# machine falls on both sides alike:
#   orvane-export of the largest tileset (32 767 tiles, 608 x 55 200) to JPEG
#       beside cjpeg -quality 90 -sample 1x1 of the same pixels, already decoded, as a PPM
#   the peak memory of that export (/usr/bin/time -v) beside the picture's raw pixel bytes
#   orvane-export --to of 200 tilesets of 100 tiles beside the same 200 exports one by one
#   orvane-export --to of 8 tilesets of 4000 tiles (27 bands each, which the JPEG encoder
#       spreads over threads) beside the same 8 exports one by one
# Medians of each round's runs; the figures of every round, then their medians, are printed.
# Needs a build of the default preset, hyperfine, cjpeg (libjpeg-turbo-progs), GNU time and
# python3. Run: bench/export_jobs.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/default/bin
rounds=${1:-5}
for tool in hyperfine cjpeg /usr/bin/time python3 "$bin/orvane-export" "$bin/bench_files"; do
  command -v "$tool" >/dev/null || { echo "export_jobs: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/many" "$work/batch" "$work/single" "$work/big" "$work/big_batch" "$work/big_single"
"$bin/bench_files" tileset 32767 "$work/largest.tst"
"$bin/bench_files" ppm "$work/largest.tst" "$work/largest.ppm"
for i in $(seq -w 1 200); do
  "$bin/bench_files" tileset 100 "$work/many/t$i.tst"
done
for i in $(seq 1 8); do
  "$bin/bench_files" tileset 4000 "$work/big/b$i.tst"
done
# The same exports one by one, from the folder $1 to the folder $2.
one_by_one() {
  echo 'for f in '"$work/$1"'/*.tst; do b=${f##*/}; '"$bin"'/orvane-export "$f" '"$work/$2"'/${b%.tst}.jpg >/dev/null || exit 1; done'
}

# The median of each command's runs in a hyperfine JSON file, in its order.
medians() {
  python3 -c 'import json, statistics, sys
print(" ".join("%.4f" % statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
row='%-6s %-10s %-10s %-7s %-10s %-12s %-8s %-10s %-12s %-8s\n'
printf "$row" round export_s cjpeg_s ratio batch_s one_by_one_s speedup big_batch big_1_by_1 speedup
results=()
for round in $(seq 1 "$rounds"); do
  hyperfine --style none --warmup 1 --runs 5 -N --export-json "$work/large.json" \
    "$bin/orvane-export $work/largest.tst $work/largest.jpg" \
    "cjpeg -quality 90 -sample 1x1 -outfile $work/cjpeg.jpg $work/largest.ppm" >/dev/null
  hyperfine --style none --warmup 1 --runs 3 --export-json "$work/batch.json" \
    "$bin/orvane-export --to $work/batch --format jpg $work/many/*.tst" "$(one_by_one many single)" >/dev/null
  hyperfine --style none --warmup 1 --runs 3 --export-json "$work/big.json" \
    "$bin/orvane-export --to $work/big_batch --format jpg $work/big/*.tst" "$(one_by_one big big_single)" >/dev/null
  read -r export cjpeg < <(medians "$work/large.json")
  read -r batch single < <(medians "$work/batch.json")
  read -r big_batch big_single < <(medians "$work/big.json")
  line=$(python3 -c 'import sys; e, c, b, s, bb, bs = map(float, sys.argv[1:])
print("%.3f %.3f %.2f %.3f %.3f %.2f %.3f %.3f %.2f" % (e, c, e / c, b, s, s / b, bb, bs, bs / bb))' \
    "$export" "$cjpeg" "$batch" "$single" "$big_batch" "$big_single")
  results+=("$line")
  printf "$row" "$round" $line
done
printf '%s\n' "${results[@]}" | python3 -c 'import statistics, sys
rows = [list(map(float, l.split())) for l in sys.stdin if l.strip()]
m = [statistics.median(c) for c in zip(*rows)]
print("median %-10.3f %-10.3f %-7.2f %-10.3f %-12.3f %-8.2f %-10.3f %-12.3f %-8.2f" % tuple(m))
print("export / cjpeg = %.2f (aim <= 1.0); batch is %.2fx as fast as one by one (aim >= 1.8),"
      " %.2fx for large tilesets" % (m[2], m[5], m[8]))'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

peak_kb=$(/usr/bin/time -v "$bin/orvane-export" "$work/largest.tst" "$work/largest.jpg" 2>&1 >/dev/null |
  sed -n 's/.*Maximum resident set size (kbytes): //p')
raw=$((608 * 55200 * 3))
python3 -c 'import sys; kb, raw = int(sys.argv[1]), int(sys.argv[2])
print("peak memory of the export: %.1f MB = %.2f x the %.1f MB of raw pixels (aim <= 2.1)"
      % (kb * 1024 / 1e6, kb * 1024 / raw, raw / 1e6))' "$peak_kb" "$raw"
