#!/usr/bin/env bash
# The PNG export and orvane-pack against what a user would script instead, numpy and Pillow with
# Pillow's defaults (bench/png_numpy.py), in rounds that take turns so that a change of load on
# the machine falls on both sides alike, every picture a new file:
#   orvane-export TILESET OUT.png, the whole program, beside Pillow's Image.save of the same RGBA
#       picture alone (the picture already made), for each tileset of a varied set: the samples
#       (flat pixel art), 4000 tiles of each kind in bench/tile_kinds.h (pixel art, gradients,
#       value noise, lighting, dithering, a photograph's grain, pure noise, mostly see-through),
#       and the largest, 32 767 tiles of a mix (608 x 55 200 pixels); the time and the size of each
#   orvane-pack of the largest's PNG beside png_numpy.py pack, the whole script: Pillow's read,
#       numpy's rearranging, the tileset written
#   the peak memory of both programs on the largest (/usr/bin/time -v) beside its pixels' bytes
# Medians of the rounds; every picture is checked with pngcheck, and Orvane's against Pillow's
# pixel for pixel.
# Needs a build of the default preset and what `scripts/setup bench` installs (GNU time, pngcheck,
# Debian's python3 with numpy and Pillow). Run: bench/png_jobs.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/default/bin
py=/usr/bin/python3  # Debian's, which has python3-numpy and python3-pil
script=$PWD/bench/png_numpy.py
rounds=${1:-5}
for tool in pngcheck /usr/bin/time "$py" "$bin/orvane-export" "$bin/orvane-pack" "$bin/bench_files"; do
  command -v "$tool" >/dev/null || { echo "png_jobs: $tool is missing" >&2; exit 1; }
done
"$py" -c 'import numpy, PIL' 2>/dev/null ||
  { echo "png_jobs: $py lacks numpy or Pillow (scripts/setup bench)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
names=()
for sample in samples/*.tst; do
  name=$(basename "$sample" .tst)
  cp "$sample" "$work/$name.tst"
  names+=("$name")
done
for kind in pixelart gradient noise lit dither photo static sparse; do
  "$bin/bench_files" tileset 4000 "$work/$kind.tst" "$kind"
  names+=("$kind")
done
"$bin/bench_files" tileset 32767 "$work/largest.tst" mix
names+=(largest)

# Seconds a command takes, from start to end.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk "BEGIN { printf \"%.4f\\n\", ($end - $start) / 1e9 }"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/times"
for round in $(seq 1 "$rounds"); do
  for name in "${names[@]}"; do
    rm -f "$work/$name.o.png" "$work/$name.p.png"
    orvane=$(seconds "$bin/orvane-export" "$work/$name.tst" "$work/$name.o.png")
    pillow=$("$py" "$script" export "$work/$name.tst" "$work/$name.p.png")
    echo "$name $orvane $pillow $(stat -c %s "$work/$name.o.png") $(stat -c %s "$work/$name.p.png")" \
      >>"$work/times"
  done
  rm -f "$work/packed.tst" "$work/numpy.tst"
  pack=$(seconds "$bin/orvane-pack" "$work/largest.o.png" "$work/packed.tst")
  numpy=$(seconds "$py" "$script" pack "$work/largest.o.png" "$work/numpy.tst")
  echo "pack $pack $numpy 0 0" >>"$work/times"
  echo "round $round done" >&2
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

for name in "${names[@]}"; do
  pngcheck -q "$work/$name.o.png" >/dev/null || { echo "png_jobs: pngcheck refuses $name" >&2; exit 1; }
done
"$py" - "$work" "${names[@]}" <<'EOF'
import sys
import numpy as np
from PIL import Image
work = sys.argv[1]
for name in sys.argv[2:]:
    ours = np.asarray(Image.open("%s/%s.o.png" % (work, name)))
    theirs = np.asarray(Image.open("%s/%s.p.png" % (work, name)))
    if ours.shape != theirs.shape or not (ours == theirs).all():
        sys.exit("png_jobs: %s: Orvane's pixels differ from Pillow's" % name)
EOF
cmp -s "$work/packed.tst" "$work/largest.tst" || { echo "png_jobs: the pack differs" >&2; exit 1; }

"$py" - "$work/times" "${names[@]}" <<'EOF'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    name, *values = line.split()
    rows.setdefault(name, []).append([float(v) for v in values])
def median(name, column):
    return statistics.median(r[column] for r in rows[name])
print("| Tileset | Orvane, s | Pillow's save, s | time ratio | Orvane, bytes | Pillow, bytes | size ratio |")
print("|---|---|---|---|---|---|---|")
for name in sys.argv[2:]:
    o, p, os_, ps = (median(name, c) for c in range(4))
    print("| %s | %.3f | %.3f | %.2f | %d | %d | %.3f |" % (name, o, p, o / p, os_, ps, os_ / ps))
pack, numpy = median("pack", 0), median("pack", 1)
print()
print("orvane-pack of the largest: %.3f s; png_numpy.py pack: %.3f s; ratio %.2f (aim <= 0.5)"
      % (pack, numpy, pack / numpy))
o, p = median("largest", 0), median("largest", 1)
print("export of the largest: %.2f x Pillow's save (aim <= 0.5)" % (o / p))
EOF

peak() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'
}
raw=$((32767 * 3072))
export_kb=$(peak "$bin/orvane-export" "$work/largest.tst" "$work/peak.png")
pack_kb=$(peak "$bin/orvane-pack" "$work/largest.o.png" "$work/peak.tst")
"$py" -c 'import sys; e, p, raw = map(int, sys.argv[1:])
print("peak memory: PNG export %.1f MB = %.2f x the %.1f MB of tile pixels (aim <= 2.1); "
      "orvane-pack %.1f MB = %.2f x" % (e * 1024 / 1e6, e * 1024 / raw, raw / 1e6, p * 1024 / 1e6,
                                         p * 1024 / raw))' "$export_kb" "$pack_kb" "$raw"
