#!/usr/bin/env bash
# w5: 400 photographic 256 x 256 sources joined into one 5120 x 5120 PNG at zlib level 6, once
# from PNG sources and once from the same pictures as JPEG (quality 90): eveda-batch against
# `vips arrayjoin` and ImageMagick's `montage`, each in one invocation at the same level.
# Runs alternate between the three; prints the median wall time, the output size and the peak
# RSS of each as a markdown table, then the share of decode, draw, compress and write in
# eveda-batch's pass (build/bin/w5_phases). Asserts nothing.
#
#   bash bench/w5_bench.sh [RUNS]     runs per program and workload, default 3
#
# The sources are ImageMagick plasma fractals (seeded, blurred a little so they read as
# photographs rather than noise), made once into $TMPDIR/eveda-w5-sources and kept
# (bench/common.sh).
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
runs=${1:-3}
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
phases=$root/build/bin/w5_phases
for tool in vips montage convert mogrify bc /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "w5_bench: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
[[ -x $batch && -x $phases ]] || { echo "w5_bench: build eveda-batch and w5_phases first" >&2; exit 1; }

sources=$(w5_sources)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT


echo "| workload | program | wall (median of $runs) | output | peak RSS |"
echo "|---|---|---|---|---|"
for ext in png jpg; do
  dir=$sources/$ext
  mapfile -t files < <(ls "$dir"/*."$ext")
  for program in eveda vips montage; do : >"$work/$program.times"; done
  for ((run = 0; run < runs; run++)); do
    measure "$batch" -q -i "*.$ext" -w 20 -z 6 -o "$work/eveda.png" "$dir" >>"$work/eveda.times"
    measure vips arrayjoin "${files[*]}" "$work/vips.png[compression=6]" --across 20 \
      >>"$work/vips.times"
    # -quality 65: zlib level 6 with adaptive filtering, as eveda-batch filters.
    measure montage "${files[@]}" -tile 20x -geometry +0+0 -depth 8 -quality 65 \
      "$work/montage.png" >>"$work/montage.times"
  done
  for program in eveda vips montage; do
    wall=$(cut -d' ' -f1 "$work/$program.times" | median)
    rss=$(cut -d' ' -f2 "$work/$program.times" | median)
    size=$(stat -c %s "$work/$program.png")
    printf '| %s → PNG | %s | %s s | %.1f MB | %.0f MiB |\n' "$ext" "$program" "$wall" \
      "$(echo "$size / 1000000" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
  done
done
echo
echo "| sources | output | eveda-batch's pass, each phase alone (w5_phases) |||||"
echo "|---|---|---|---|---|---|"
for ext in png jpg; do
  "$phases" "$sources/$ext" ".$ext" 20 6 "$work/phases.png"
done
