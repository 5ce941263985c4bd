#!/usr/bin/env bash
# What -l '%f' costs end to end. w1 (400 BMP tiles of 256 x 256, 20 a row) joined with and
# without captions, runs alternating; then w5's 400 photographic PNG sources, renamed to
# Japanese names, joined into a captioned PNG by eveda-batch and by ImageMagick's
# `montage -label '%f'` with IPAGothic given by path (without it montage draws the Japanese
# names blank), both with 12-pixel captions at zlib level 6. Prints medians and ratios as
# markdown tables. Asserts nothing.
#
#   bash bench/captions/captions_e2e.sh [RUNS]    runs per program of w5, default 5; w1 3 × RUNS
#
# Needs build/bin/eveda-batch and eveda-samples, ImageMagick and fonts-ipafont-gothic.
set -euo pipefail
export LC_ALL=C.UTF-8
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"  # median, w5_sources; measure is its own, to the millisecond
runs=${1:-5}
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
samples=${EVEDA_SAMPLES:-$root/build/bin/eveda-samples}
font=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
for tool in "$batch" "$samples" montage convert /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "captions_e2e: $tool is missing" >&2; exit 1; }
done
[[ -f $font ]] || { echo "captions_e2e: $font is missing (fonts-ipafont-gothic)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {  # prints "SECONDS KIB" for one run of the command, to the millisecond
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  echo "$(awk "BEGIN { printf \"%.3f\", $EPOCHREALTIME - $start }") $(tail -n 1 "$work/rss")"
}
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }

# w1: the same tiles, with and without captions.
"$samples" "$work/w1" --count 400 --size 256x256 >/dev/null
: >"$work/plain" && : >"$work/captioned"
for ((run = 0; run < 3 * runs; run++)); do  # a tenth of a second each: three times as many
  measure "$batch" -q -w 20 -o "$work/plain.bmp" "$work/w1" >>"$work/plain"
  measure "$batch" -q -w 20 -l '%f' -o "$work/captioned.bmp" "$work/w1" >>"$work/captioned"
done
plain=$(median <"$work/plain") captioned=$(median <"$work/captioned")
echo "| w1: 400 × 256×256 BMP, 20 a row | wall (median of $((3 * runs))) | peak RSS |"
echo "|---|---|---|"
echo "| eveda-batch | $plain s | $(sort -k2 -n "$work/plain" | tail -1 | cut -d' ' -f2) KiB |"
echo "| eveda-batch -l '%f' | $captioned s | $(sort -k2 -n "$work/captioned" | tail -1 | cut -d' ' -f2) KiB |"
echo "| captions ÷ none | $(ratio "$captioned" "$plain")× | |"
echo

# w5 with Japanese names: w5_bench.sh's sources, made here when it has not made them.
sources=$(w5_sources)
mkdir -p "$work/w5"
n=0
for file in "$sources"/png/*.png; do
  n=$((n + 1))
  cp "$file" "$work/w5/写真_夏休み_$(printf %03d "$n").png"
done
mapfile -t files < <(ls "$work"/w5/*.png)
: >"$work/eveda" && : >"$work/montage"
for ((run = 0; run < runs; run++)); do
  measure "$batch" -q -i '*.png' -w 20 -z 6 -l '%f' -o "$work/eveda.png" "$work/w5" \
    >>"$work/eveda"
  # -label before the files: montage takes it as each file is read.
  measure montage -label '%f' -font "$font" -pointsize 12 "${files[@]}" -tile 20x \
    -geometry +0+0 -depth 8 -quality 65 "$work/montage.png" >>"$work/montage"
done
eveda=$(median <"$work/eveda") montage=$(median <"$work/montage")
echo "| w5 captioned: 400 × 256×256 PNG → PNG | wall (median of $runs) | output | peak RSS |"
echo "|---|---|---|---|"
echo "| eveda-batch -l '%f' | $eveda s | $(identify -format %wx%h "$work/eveda.png") | $(sort -k2 -n "$work/eveda" | tail -1 | cut -d' ' -f2) KiB |"
echo "| montage -label '%f' | $montage s | $(identify -format %wx%h "$work/montage.png") | $(sort -k2 -n "$work/montage" | tail -1 | cut -d' ' -f2) KiB |"
echo "| eveda ÷ montage | $(ratio "$eveda" "$montage")× | | |"
