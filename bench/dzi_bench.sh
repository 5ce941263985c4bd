#!/usr/bin/env bash
# Deep Zoom pyramids from many sources: eveda-batch -o x.dzi against libvips's dzsave
# (`vips arrayjoin ... x.dz`), once on w4's shape (2,704 sources of 512 x 512 in rows of 52:
# 26,624 x 26,624, JPEG tiles at quality 90) and once on 100,000 sources of 64 x 64 in rows of
# 316 (20,224 x 20,288). Prints wall time, peak RSS and the most descriptors each had open
# (/proc/PID/fd sampled every 20 ms) as a markdown table. Asserts nothing. On a shared machine
# the wall times follow the load; the CPU times less so.
#
#   bash bench/dzi_bench.sh [w4|w100k|all [RUNS]]     default all, 7 runs of each, alternating;
#   each figure is the median of its runs
#
# The 14 pyramids of w4 take about 4 GB under $TMPDIR until the end.
# The sources are JPEG copies of one ImageMagick plasma picture (decoding costs the same
# whatever the pixels), made in a fresh folder under $TMPDIR (or /tmp) and removed at the end.
# vips keeps every source open: its descriptor limit is raised for it (ulimit -n), and 100,000
# paths do not fit one argument, which is how vips is called.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
which=${1:-all}
runs=${2:-7}
# Seconds of quiet between runs. Each run writes a folder of its own and the pyramids are deleted
# only at the end: ext4 passes over the inodes freed in the last minute (five, while their table
# is unwritten) when it makes new files, which cost a run after a deletion of tens of thousands
# of tiles up to several seconds of system time, whichever program it is (ext4_create's
# recently_deleted in a profile).
idle=${EVEDA_BENCH_IDLE:-15}
for tool in vips convert python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "dzi_bench: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

# make_sources DIR COUNT SIDE: COUNT JPEG files of SIDE x SIDE, named 000000.jpg on.
make_sources() {
  mkdir -p "$1"
  convert -seed 7 -size "$3x$3" plasma:fractal -blur 0x1.5 -quality 90 "$work/one.jpg"
  python3 - "$work/one.jpg" "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
for i in range(int(sys.argv[3])):
    open(f"{sys.argv[2]}/{i:06d}.jpg", "wb").write(data)
PY
}

# sample NAME COMMAND...: one run, its "seconds cpu-seconds kib descriptors" appended to
# $work/NAME.runs, or its last error line to $work/NAME.failed.
sample() {
  local name=$1
  shift
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >/dev/null 2>"$work/err" &
  local timer=$! most=0 pid= fds
  # Counted by a glob, without a process of its own, so the sampling costs the run little.
  while kill -0 "$timer" 2>/dev/null; do
    [[ -n $pid ]] || pid=$(pgrep -P "$timer" | head -1 || true)
    if [[ -n $pid ]]; then
      fds=(/proc/"$pid"/fd/*)
      if ((${#fds[@]} > most)) && [[ -e ${fds[0]} ]]; then most=${#fds[@]}; fi
    fi
    sleep 0.02
  done
  if wait "$timer"; then
    read -r seconds kib user system <"$work/time"
    echo "$seconds $(awk "BEGIN { print $user + $system }") $kib $most" >>"$work/$name.runs"
  else
    grep -v '^Command' "$work/err" | tail -1 >"$work/$name.failed"
  fi
}

# row LABEL NAME: "| LABEL | wall | CPU | peak RSS MiB | most descriptors |", each the median of
# the runs, or the failure in the place of the figures.
row() {
  if [[ -f $work/$2.failed ]]; then
    printf '| %s | failed: %s | | | |\n' "$1" "$(cat "$work/$2.failed")"
    return
  fi
  local column figures=()
  for column in 1 2 3 4; do figures+=("$(cut -d' ' -f$column "$work/$2.runs" | median)"); done
  printf '| %s | %s s | %s s | %d MiB | %d |\n' "$1" "${figures[0]}" "${figures[1]}" \
    $((figures[2] / 1024)) "${figures[3]}"
}

run_workload() {  # NAME COUNT SIDE ACROSS
  local name=$1 count=$2 side=$3 across=$4
  local dir=$work/$name
  make_sources "$dir" "$count" "$side"
  sync
  echo
  echo "$name: $count sources of ${side}x$side, $across across"
  echo
  echo "| program | wall (median of $runs) | CPU (user + system) | peak RSS | most descriptors open |"
  echo "|---|---|---|---|---|"
  # vips reads the sources named in one argument, from their folder so that the names are short.
  local list run
  list=$(cd "$dir" && ls | tr '\n' ' ')
  rm -f "$work"/*.runs "$work"/*.failed
  for ((run = 0; run < runs; run++)); do
    mkdir "$work/out$run"
    sample eveda "$batch" -q -i '*.jpg' -w "$across" -o "$work/out$run/eveda.dzi" "$dir"
    sync && sleep "$idle"
    [[ -f $work/vips.failed ]] && continue  # a peer that cannot do it is not tried again
    sample vips bash -c 'cd "$1" && ulimit -n 200000 2>/dev/null || ulimit -n "$(ulimit -Hn)"; exec vips arrayjoin "$2" "$3[suffix=.jpeg[Q=90]]" --across "$4"' \
      sh "$dir" "$list" "$work/out$run/vips.dz" "$across"
    sync && sleep "$idle"
  done
  row "eveda-batch -o x.dzi" eveda
  row "vips arrayjoin … x.dz" vips
  rm -rf "$work"/out* "$dir"
}

[[ $which == all || $which == w4 ]] && run_workload w4 2704 512 52
[[ $which == all || $which == w100k ]] && run_workload w100k 100000 64 316
exit 0
