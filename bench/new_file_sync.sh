#!/usr/bin/env bash
# What flushing a new picture to the disk before it gets its name would cost (a replacement is
# flushed already): orvane-export to a new file as it is, beside the same export with
# bench/sync_new_files.cpp preloaded, which syncs each new file just before it is linked in, on
#   the largest tileset (32 767 tiles, 608 x 55 200) to a new JPEG, BMP and PNG file
#   orvane-export --to of 200 small tilesets (100 tiles each) to new JPEG, BMP and PNG files
# Both sides run through env, in rounds that take turns, so that a change of load on the machine
# falls on both alike; medians of each round's runs, then their medians. On a machine that others
# share, the difference of two such times is noisy; the time the flushes themselves took (summed
# over an export, median of 3) says the same more steadily, and is given beside it.
# Needs a build of the default preset and hyperfine (scripts/setup bench).
# Run: bench/new_file_sync.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/default/bin
shim=$PWD/build/default/bench/libsync_new_files.so
rounds=${1:-5}
for tool in hyperfine "$bin/orvane-export" "$bin/bench_files" "$shim"; do
  [[ -e $tool ]] || command -v "$tool" >/dev/null ||
    { echo "new_file_sync: $tool is missing" >&2; exit 1; }
done

# Beside the build, on the disk the pictures would go to; not in /tmp, which may be in memory.
work=$(mktemp -d "$PWD/build/default/new_file_sync.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/many" "$work/out"
"$bin/bench_files" tileset 32767 "$work/largest.tst"
for i in $(seq -w 1 200); do
  "$bin/bench_files" tileset 100 "$work/many/t$i.tst"
done
echo "file system of the pictures: $(stat -f -c %T "$work"); load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Each export as a command line, and what makes its picture new again before each run.
exports=() fresh=()
for format in jpg bmp png; do
  exports+=("$bin/orvane-export $work/largest.tst $work/new.$format")
  fresh+=("rm -f $work/new.$format")
done
for format in jpg bmp png; do
  exports+=("$bin/orvane-export --to $work/out --format $format $(echo "$work"/many/*.tst)")
  fresh+=("find $work/out -type f -delete")
done
names=("largest tileset to JPEG" "largest tileset to BMP" "largest tileset to PNG"
       "200 small tilesets to JPEG" "200 small tilesets to BMP" "200 small tilesets to PNG")

# The median of each command's runs in a hyperfine JSON file, in its order.
medians() {
  python3 -c 'import json, statistics, sys
print(" ".join("%.4f" % statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"]))' "$1"
}

echo "round: for each export, seconds as it is and synced"
results=()
for round in $(seq 1 "$rounds"); do
  line=""
  for i in "${!exports[@]}"; do
    hyperfine --style none --warmup 1 --runs 5 -N --prepare "${fresh[$i]}" \
      --export-json "$work/run.json" "env ${exports[$i]}" "env LD_PRELOAD=$shim ${exports[$i]}" \
      >/dev/null 2>&1
    line+=" $(medians "$work/run.json")"
  done
  results+=("$line")
  echo "$round:$line"
done

flushes=""
for i in "${!exports[@]}"; do
  totals=""
  for run in 1 2 3; do
    eval "${fresh[$i]}"
    rm -f "$work/sync.log"
    ORVANE_SYNC_LOG=$work/sync.log LD_PRELOAD=$shim ${exports[$i]} >/dev/null
    totals+=" $(awk '{ s += $1 } END { printf "%.4f", s }' "$work/sync.log")"
  done
  flushes+=" $(printf '%s\n' $totals | sort -n | sed -n 2p)"
done

printf '%s\n' "${results[@]}" | python3 -c 'import statistics, sys
rows = [list(map(float, l.split())) for l in sys.stdin if l.strip()]
m = [statistics.median(c) for c in zip(*rows)]
flushes = list(map(float, sys.argv[1].split()))
names = sys.argv[2:]
for i, name in enumerate(names):
    plain, synced = m[2 * i], m[2 * i + 1]
    print("%-27s %.3f s, synced %.3f s (%+.0f %%); the flushes alone %.3f s = %.0f %% of the export"
          % (name, plain, synced, 100 * (synced / plain - 1), flushes[i], 100 * flushes[i] / plain))' \
  "$flushes" "${names[@]}"
echo "(a batch's flushes are summed over its processes, of which $(nproc) run at a time)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
