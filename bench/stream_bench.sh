#!/usr/bin/env bash
# Time and peak RSS of streaming the large sources row by row, each in its own process.
# Usage: bench/stream_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/bin/stream_bench" make "$dir"
for file in zeros-rgba-16000.png zeros-grey-16000.png photo-6000x4000.jpg \
    photo-6000x4000-progressive.jpg; do
  "$build/bin/stream_bench" read "$dir/$file"
done
# What the resampler will ask of the photograph for a 320 x 200 cell: twice the cell.
"$build/bin/stream_bench" read "$dir/photo-6000x4000.jpg" 640 400
