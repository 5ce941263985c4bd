#!/usr/bin/env bash
# Deflate bombs inside the pixel limit: a valid 995 KB PNG of 16000 x 16000 zeros (RGBA), alone
# and four in one folder, joined `-f contain -W 64 -H 48` with each resampling filter's default
# and with nearest. Prints the median wall time per file and the peak RSS as a markdown table.
# Asserts nothing.
#
#   bash bench/bombs_bench.sh [RUNS]     runs of each, default 7
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
runs=${1:-7}
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
streams=$root/build/bin/stream_bench
[[ -x $batch && -x $streams ]] || { echo "bombs_bench: build eveda-batch and stream_bench first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$streams" make "$work" >/dev/null
mkdir "$work/one" "$work/four"
cp "$work/zeros-rgba-16000.png" "$work/one/a.png"
for i in 1 2 3 4; do cp "$work/zeros-rgba-16000.png" "$work/four/$i.png"; done

echo "| sources | filter | wall per file (median of $runs) | peak RSS |"
echo "|---|---|---|---|"
for folder in one four; do
  files=$(find "$work/$folder" -name '*.png' | wc -l)
  for filter in default nearest; do
    options=()
    [[ $filter == nearest ]] && options=(--resample nearest)
    : >"$work/times"
    for ((run = 0; run < runs; run++)); do
      measure "$batch" -q -i '*.png' -f contain -W 64 -H 48 "${options[@]}" -o "$work/out.png" \
        "$work/$folder" >>"$work/times"
    done
    wall=$(cut -d' ' -f1 "$work/times" | median)
    rss=$(cut -d' ' -f2 "$work/times" | median)
    printf '| %s | %s | %.2f s | %d MiB |\n' "$folder ($files)" "$filter" \
      "$(echo "$wall / $files" | bc -l)" $((rss / 1024))
  done
done
