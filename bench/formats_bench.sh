#!/usr/bin/env bash
# The new outputs against their peers, each in one invocation, runs alternating:
#   w5: 400 photographic 256 x 256 sources (bench/w5_bench.sh's, from JPEG and from PNG) into
#       one 5120 x 5120 JPEG at quality 90: eveda-batch, `vips arrayjoin ... x.jpg[Q=90]` and
#       ImageMagick's `montage ... -quality 90` (all three keep the chroma whole at 90);
#   w4: 2,704 BMP sources of 512 x 512 (bench/e2e_bench.sh's, from eveda-samples) into one
#       26624 x 26624 TIFF with deflate (2.13 G pixel bytes): eveda-batch against
#       `vips arrayjoin ... x.tif[compression=deflate]`. vips reads BMP only through
#       ImageMagick, whose pixel cache gives out long before 2,704 of them are open, so vips
#       gets the same pictures as PPM (uncompressed, read natively), converted untimed.
# Prints the median wall time, the output's size and the peak RSS of each as a markdown table.
# Asserts nothing.
#
#   w4x3: w4's sources three times over (links) into one 26624 x 79872 BigTIFF with deflate
#       (6.38 G pixel bytes): eveda-batch alone, which must stay within the memory of w4.
#
#   bash bench/formats_bench.sh [RUNS [WORKLOADS]]   runs per program, default 3; w5,w4
#
# w4 needs about 2.2 GB for its sources and as much again for each output, under $TMPDIR.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
runs=${1:-3}
workloads=${2:-w5,w4}
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
samples=${EVEDA_SAMPLES:-$root/build/bin/eveda-samples}
for tool in vips montage mogrify bc /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "formats_bench: $tool is missing" >&2; exit 1; }
done
[[ -x $batch ]] || { echo "formats_bench: build eveda-batch first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

row() {  # row WORKLOAD PROGRAM OUTPUT
  local wall rss size
  wall=$(cut -d' ' -f1 "$work/$2.times" | median)
  rss=$(cut -d' ' -f2 "$work/$2.times" | median)
  size=$(stat -c %s "$3")
  printf '| %s | %s | %s s | %.1f MB | %.0f MiB |\n' "$1" "$2" "$wall" \
    "$(echo "$size / 1000000" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
}

echo "| workload | program | wall (median of $runs) | output | peak RSS |"
echo "|---|---|---|---|---|"
if [[ $workloads == *w5* ]]; then
  sources=$(w5_sources)
  for ext in jpg png; do
    dir=$sources/$ext
    mapfile -t files < <(ls "$dir"/*."$ext")
    for program in eveda vips montage; do : >"$work/$program.times"; done
    for ((run = 0; run < runs; run++)); do
      measure "$batch" -q -i "*.$ext" -w 20 -Q 90 -o "$work/eveda.jpg" "$dir" >>"$work/eveda.times"
      measure vips arrayjoin "${files[*]}" "$work/vips.jpg[Q=90]" --across 20 >>"$work/vips.times"
      measure montage "${files[@]}" -tile 20x -geometry +0+0 -quality 90 "$work/montage.jpg" \
        >>"$work/montage.times"
    done
    for program in eveda vips montage; do
      row "w5 $ext → JPEG Q90" "$program" "$work/$program.jpg"
    done
  done
fi
if [[ $workloads == *w4x3* ]]; then
  [[ -x $samples ]] || { echo "formats_bench: build eveda-samples first" >&2; exit 1; }
  "$samples" "$work/w4x3" --count 2704 --size 512x512 >/dev/null
  for copy in 1 2; do
    for f in "$work/w4x3"/tile*.bmp; do ln "$f" "${f%.bmp}-$copy.bmp"; done
  done
  : >"$work/eveda.times"
  for ((run = 0; run < runs; run++)); do
    measure "$batch" -q -w 52 -o "$work/eveda.tif" "$work/w4x3" >>"$work/eveda.times"
  done
  row "w4x3 → BigTIFF deflate" eveda "$work/eveda.tif"
  rm -rf "$work/w4x3"
  workloads=${workloads//w4x3/}
fi
if [[ $workloads == *w4* ]]; then
  [[ -x $samples ]] || { echo "formats_bench: build eveda-samples first" >&2; exit 1; }
  "$samples" "$work/w4" --count 2704 --size 512x512 >/dev/null
  mkdir "$work/w4ppm"
  (cd "$work/w4" && mogrify -path "$work/w4ppm" -format ppm ./*.bmp)
  mapfile -t files < <(ls "$work/w4ppm"/*.ppm)
  sync
  for program in eveda vips; do : >"$work/$program.times"; done
  for ((run = 0; run < runs; run++)); do
    measure "$batch" -q -w 52 -o "$work/eveda.tif" "$work/w4" >>"$work/eveda.times"
    rm -f "$work/vips.tif"
    measure vips arrayjoin "${files[*]}" "$work/vips.tif[compression=deflate]" \
      --across 52 >>"$work/vips.times"
  done
  for program in eveda vips; do row "w4 → TIFF deflate" "$program" "$work/$program.tif"; done
fi
