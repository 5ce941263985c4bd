#!/usr/bin/env bash
# The scan of a --files-from list against the scan of a directory, per file: eveda-batch
# --dry-run probes every source and writes nothing, so its time is the listing and the probe.
# A directory of FILES small BMPs is scanned as a directory, as a list of the same FILES paths,
# and as a list of PATHS lines that names them over and over (a million by default, which no
# descriptor limit has to allow). Prints the best of RUNS times, microseconds per file and peak
# RSS as a markdown table. Asserts nothing.
#
#   bash bench/list_scan_bench.sh [FILES [PATHS [RUNS]]]    defaults 10000 1000000 5
#   EVEDA_BATCH and EVEDA_SAMPLES name the programs (default build/bin/, built if missing).
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
files=${1:-10000}
paths=${2:-1000000}
runs=${3:-5}
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
samples=${EVEDA_SAMPLES:-$root/build/bin/eveda-samples}
for program in "$batch" "$samples"; do
  [[ -x $program ]] || cmake --build "$root/build" -j2 --target "$(basename "$program")" >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/list-scan-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/tiles"
"$samples" "$work/tiles" --count "$files" --size 16x16 >/dev/null
find "$work/tiles" -name '*.bmp' | sort >"$work/list"
awk -v n="$paths" '{ p[NR] = $0 } END { for (i = 0; i < n; i++) print p[i % NR + 1] }' \
  "$work/list" >"$work/long"

# The best of the runs: wall seconds (bash's microsecond clock) and that run's peak RSS in KiB.
measure() {
  local best="" rss="" start seconds kib
  for ((k = 0; k < runs; k++)); do
    start=$EPOCHREALTIME
    kib=$(/usr/bin/time -f '%M' "$batch" -q --dry-run "$@" 2>&1 >/dev/null | tail -1)
    seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f", b - a }')
    if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds rss=$kib
    fi
  done
  echo "$best $rss"
}

echo "| scan | paths | best s | us per path | peak RSS MiB |"
echo "|---|---:|---:|---:|---:|"
row() {
  local name=$1 count=$2
  shift 2
  read -r seconds kib <<<"$(measure "$@")"
  awk -v n="$name" -v c="$count" -v s="$seconds" -v k="$kib" \
    'BEGIN { printf "| %s | %d | %.3f | %.2f | %.1f |\n", n, c, s, s * 1e6 / c, k / 1024 }'
}
row "directory" "$files" "$work/tiles"
row "list of the same files" "$files" --files-from "$work/list"
row "list, names repeated" "$paths" --files-from "$work/long"
