#!/usr/bin/env bash
# End to end: 400 sources of 256x256 24-bit joined into a 20x20 grid by eveda-batch, next to
# ImageMagick's montage doing the same grid and to the I/O floor: reading the sources and
# writing a file of the output's size, once flushed to disk (as eveda's own save is) and once
# left in the page cache. Prints seconds; asserts nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v montage >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
fi
[[ -x build/bin/eveda-batch ]] || bash scripts/setup.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/eveda-samples "$work/src" --count 400 --size 256x256 >/dev/null
output_bytes=$((54 + 5120 * 3 * 5120))

calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
seconds() {  # runs a command, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  calc "$end - $start"
}
best_of() {  # three runs, the fastest
  local best="" t
  for _ in 1 2 3; do
    t=$(seconds "$@")
    if [[ -z "$best" ]] || [[ $(calc "$t < $best") == 1.000 ]]; then best=$t; fi
  done
  echo "$best"
}

floor_flushed() {
  cat "$work"/src/*.bmp >/dev/null
  dd if=/dev/zero of="$work/floor.bmp" bs="$output_bytes" count=1 conv=fsync status=none
}
floor_cached() {
  cat "$work"/src/*.bmp >/dev/null
  head -c "$output_bytes" /dev/zero >"$work/floor.bmp"
}
eveda() { build/bin/eveda-batch -q -w 20 -o "$work/eveda.bmp" "$work/src"; }
montage_grid() {
  montage "$work"/src/*.bmp -tile 20x20 -geometry 256x256+0+0 -background black \
    "BMP3:$work/montage.bmp"
}

cat "$work"/src/*.bmp >/dev/null  # warm the page cache
t_floor=$(best_of floor_flushed)
t_cached=$(best_of floor_cached)
t_eveda=$(best_of eveda)
t_montage=$(best_of montage_grid)

echo "sources: 400 x 256x256 24-bit; output 5120x5120 ($output_bytes bytes)"
echo "I/O floor:    ${t_floor} s flushed to disk, ${t_cached} s left in the page cache"
echo "eveda-batch:  ${t_eveda} s  ($(calc "$t_eveda / $t_floor")x the flushed floor)"
echo "montage:      ${t_montage} s  (eveda is $(calc "$t_montage / $t_eveda")x faster)"
