#!/usr/bin/env bash
# The whole program against its floors, in rounds that take turns so that a change of load on the
# machine falls on both sides alike:
#   orvane-export of the largest tileset (32 767 tiles, 608 x 55 200) to a new JPEG file
#       beside cjpeg -quality 90 -sample 1x1 of the same pixels, already decoded, as a PPM,
#       beside bench/export_numpy.py, the numpy + Pillow script a user would write instead,
#       and beside the same export over an existing file (which is flushed to the disk first)
#   the same export to a new BMP file beside cp of a file of the same size
#   orvane-export of a 1-tile tileset beside /bin/true: what starting the program costs
#   the peak memory of the JPEG export (/usr/bin/time -v) beside the picture's raw pixel bytes
#   orvane-export --to of 200 tilesets of 100 tiles beside the same 200 exports one by one
#   orvane-export --to of 8 tilesets of 4000 tiles (27 bands each, which the JPEG encoder
#       spreads over threads) beside the same 8 exports one by one
# Medians of each round's runs; the figures of every round, then their medians, are printed, and
# the processor time (user + system) of the export and of cjpeg: on a machine that others share,
# the export's threads wait for processors that cjpeg, on one, does not need.
# Needs a build of the default preset and what `scripts/setup bench` installs (hyperfine, cjpeg,
# GNU time, Debian's python3 with numpy and Pillow). Run: bench/export_jobs.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/default/bin
py=/usr/bin/python3  # Debian's, which has python3-numpy and python3-pil
rounds=${1:-5}
for tool in hyperfine cjpeg cp /usr/bin/time "$py" "$bin/orvane-export" "$bin/bench_files"; do
  command -v "$tool" >/dev/null || { echo "export_jobs: $tool is missing" >&2; exit 1; }
done
"$py" -c 'import numpy, PIL' 2>/dev/null ||
  { echo "export_jobs: $py lacks numpy or Pillow (scripts/setup bench)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/many" "$work/batch" "$work/single" "$work/big" "$work/big_batch" "$work/big_single"
"$bin/bench_files" tileset 32767 "$work/largest.tst"
"$bin/bench_files" ppm "$work/largest.tst" "$work/largest.ppm"
"$bin/bench_files" tileset 1 "$work/one.tst"
"$bin/orvane-export" "$work/largest.tst" "$work/largest.bmp" >/dev/null
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

# The processor time (user + system, mean) of each command in a hyperfine JSON file, in its order.
cpu_times() {
  python3 -c 'import json, sys
print(" ".join("%.4f" % (r["user"] + r["system"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"
}

# Every picture but replaced.jpg is new at each run: removed before it.
fresh="rm -f $work/new.jpg $work/cjpeg.jpg $work/numpy.jpg $work/new.bmp $work/cp.bmp $work/one.jpg"
"$bin/orvane-export" "$work/largest.tst" "$work/replaced.jpg" >/dev/null

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
columns=(round export cjpeg numpy /cjpeg /numpy replace bmp cp start true batch 1by1 speedup
         big_b big_1 speedup exp_cpu cj_cpu)
printf '%-8s' "${columns[@]}"; echo
results=()
for round in $(seq 1 "$rounds"); do
  hyperfine --style none --warmup 1 --runs 5 -N --prepare "$fresh" --export-json "$work/large.json" \
    "$bin/orvane-export $work/largest.tst $work/new.jpg" \
    "cjpeg -quality 90 -sample 1x1 -outfile $work/cjpeg.jpg $work/largest.ppm" \
    "$py bench/export_numpy.py $work/largest.tst $work/numpy.jpg" \
    "$bin/orvane-export $work/largest.tst $work/replaced.jpg" \
    "$bin/orvane-export $work/largest.tst $work/new.bmp" \
    "cp $work/largest.bmp $work/cp.bmp" >/dev/null
  hyperfine --style none --warmup 3 --runs 30 -N --prepare "$fresh" --export-json "$work/start.json" \
    "$bin/orvane-export $work/one.tst $work/one.jpg" "/bin/true" >/dev/null
  hyperfine --style none --warmup 1 --runs 3 --export-json "$work/batch.json" \
    "$bin/orvane-export --to $work/batch --format jpg $work/many/*.tst" "$(one_by_one many single)" >/dev/null
  hyperfine --style none --warmup 1 --runs 3 --export-json "$work/big.json" \
    "$bin/orvane-export --to $work/big_batch --format jpg $work/big/*.tst" "$(one_by_one big big_single)" >/dev/null
  line=$(python3 -c 'import sys
e, c, n, r, b, cp, s, t, bb, b1, gb, g1, ec, cc = map(float, sys.argv[1:15])
print(" ".join("%.3f" % v for v in (e, c, n, e / c, e / n, r, b, cp, s, t, bb, b1, b1 / bb, gb, g1,
                                    g1 / gb, ec, cc)))' \
    $(medians "$work/large.json") $(medians "$work/start.json") $(medians "$work/batch.json") \
    $(medians "$work/big.json") $(cpu_times "$work/large.json"))
  results+=("$line")
  printf '%-8s' "$round" $line; echo
done
printf '%s\n' "${results[@]}" | python3 -c 'import statistics, sys
rows = [list(map(float, l.split())) for l in sys.stdin if l.strip()]
m = [statistics.median(c) for c in zip(*rows)]
print("%-8s" % "median" + "".join("%-8.3f" % v for v in m))
print("export / cjpeg = %.2f (aim <= 0.7); export / numpy + Pillow = %.2f (aim <= 0.25)" % (m[3], m[4]))
print("processor time: export %.3f s, cjpeg %.3f s" % (m[16], m[17]))
print("replacing an existing JPEG (flushed to the disk first): %.3f s, %.3f s more than a new one"
      % (m[5], m[5] - m[0]))
print("BMP export %.3f s beside cp of as many bytes %.3f s; a 1-tile export %.4f s beside /bin/true"
      " %.4f s" % (m[6], m[7], m[8], m[9]))
print("batch is %.2fx as fast as one by one (aim >= 1.8), %.2fx for large tilesets" % (m[12], m[15]))'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

peak_kb=$(/usr/bin/time -v "$bin/orvane-export" "$work/largest.tst" "$work/peak.jpg" 2>&1 >/dev/null |
  sed -n 's/.*Maximum resident set size (kbytes): //p')
raw=$((608 * 55200 * 3))
python3 -c 'import sys; kb, raw = int(sys.argv[1]), int(sys.argv[2])
print("peak memory of the export: %.1f MB = %.2f x the %.1f MB of raw pixels (aim <= 2.1)"
      % (kb * 1024 / 1e6, kb * 1024 / raw, raw / 1e6))' "$peak_kb" "$raw"
