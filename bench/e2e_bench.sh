#!/usr/bin/env bash
# End to end: eveda-batch against the I/O floor (build/bin/io_floor: read every source, write
# and fsync a file of the output's size through one 1 MiB buffer) on four workloads. The two
# alternate, so both see the same machine; medians of the pairs, their ratio and eveda-batch's
# peak RSS are printed as two markdown tables: warm (back to back) and after idle (a pause
# before each run, since this kind of VM hands idle memory back to its host and the next run
# pays to touch it again). Asserts nothing.
#
#   bash bench/e2e_bench.sh [OPTIONS]
#     -n, --pairs N      eveda/floor pairs per workload and table    default 7 (env PAIRS)
#     -p, --pause S      seconds idle before each run after idle     default 4 (env PAUSE)
#     --warm-only        only the warm table
#     --workloads LIST   a comma-separated choice of w1,w2,w3,w4     default all four
#     --batch PATH       the eveda-batch to measure (env EVEDA_BATCH)
#     --samples PATH     the sample writer (env EVEDA_SAMPLES)
#     --floor PATH       the floor program (env IO_FLOOR)
#     --montage          also time ImageMagick's montage once per workload (installs it; slow)
#   The programs default to build/bin/eveda-batch, eveda-samples and io_floor, built if missing.
#
# Files go to a fresh directory under $TMPDIR (or /tmp), removed at the end. Each program
# renames over its own output from an untimed first run, so both pay for freeing old blocks.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)

die() {
  echo "e2e_bench: $*" >&2
  exit 1
}
usage() {
  sed -n '9,18s/^# \{0,1\}//p' "$0"
  exit "$1"
}

pairs=${PAIRS:-7}
pause=${PAUSE:-4}
idle=1
montage=0
workloads=w1,w2,w3,w4
batch=${EVEDA_BATCH:-}
samples=${EVEDA_SAMPLES:-}
floor=${IO_FLOOR:-}
while (($#)); do
  case $1 in
    -n | --pairs) pairs=${2:?}; shift ;;
    -p | --pause) pause=${2:?}; shift ;;
    --warm-only) idle=0 ;;
    --workloads) workloads=${2:?}; shift ;;
    --batch) batch=${2:?}; shift ;;
    --samples) samples=${2:?}; shift ;;
    --floor) floor=${2:?}; shift ;;
    --montage) montage=1 ;;
    -h | --help) usage 0 ;;
    *) usage 2 >&2 ;;
  esac
  shift
done
[[ $pairs =~ ^[1-9][0-9]*$ ]] || die "--pairs wants a positive count, not '$pairs'"
[[ $pause =~ ^[0-9]+(\.[0-9]+)?$ ]] || die "--pause wants seconds, not '$pause'"

# Paths given by the caller are relative to where it stands; the defaults are built here.
resolve() {  # resolve GIVEN DEFAULT TARGET
  if [[ -n $1 ]]; then
    [[ -x $1 ]] || die "$1 is not an executable"
    realpath "$1"
    return
  fi
  if [[ ! -x $root/$2 ]]; then
    if [[ -f $root/build/build.ninja ]]; then
      cmake --build "$root/build" --target "$3" >&2
    else
      bash "$root/scripts/setup.sh" >&2
    fi
  fi
  echo "$root/$2"
}
batch=$(resolve "$batch" build/bin/eveda-batch eveda-batch)
samples=$(resolve "$samples" build/bin/eveda-samples eveda-samples)
floor=$(resolve "$floor" build/bin/io_floor io_floor)
if [[ ! -x /usr/bin/time ]]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends time >/dev/null
fi
if ((montage)) && ! command -v montage >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick \
    >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name: count, tile size, bits per pixel, wrap
declare -A spec=(
  [w1]="400 256 256 24 20"
  [w2]="2500 64 64 8 50"
  [w3]="64 1024 1024 24 8"
  [w4]="2704 512 512 24 52"  # 2.13 GB, just under the format's limit: memory must not grow with it
)
output_width() { echo $(($5 * $2)); }
# shellcheck disable=SC2017 # whole rows of cells
output_height() { echo $((($1 + $5 - 1) / $5 * $3)); }
output_bytes() {  # a 24-bit BMP: 54 header bytes, rows padded to 4 bytes
  local width height
  width=$(output_width "$@") height=$(output_height "$@")
  echo $((54 + (width * 3 + 3) / 4 * 4 * height))
}
describe() {  # the table's workload cell
  local -a s
  read -ra s <<<"${spec[$1]}"
  local kind="${s[3]}-bit"
  ((s[3] == 8)) && kind+=" paletted"
  printf '%s: %d × %d×%d %s → %d×%d (%.1f MB)' "$1" "${s[0]}" "${s[1]}" "${s[2]}" "$kind" \
    "$(output_width "${s[@]}")" "$(output_height "${s[@]}")" \
    "$(awk "BEGIN { print $(output_bytes "${s[@]}") / 1e6 }")"
}

# shellcheck disable=SC2059 # printf's escapes are how bash writes bytes
le() {  # le BYTES VALUE: VALUE as BYTES little-endian bytes
  local i out=""
  for ((i = 0; i < $1; i++)); do printf -v out '%s\\x%02x' "$out" $((($2 >> (8 * i)) & 255)); done
  printf "$out"
}
# Stands in for eveda-samples until it writes 8-bit tiles: COUNT copies of one paletted tile
# (a join costs the same whatever the pixel values are).
# shellcheck disable=SC2016,SC2059 # bytes as above; $@ is the inner shell's
write_paletted_tiles() {  # DIR COUNT WIDTH HEIGHT
  local dir=$1 count=$2 width=$3 height=$4 i x y row
  local stride=$(((width + 3) / 4 * 4)) offset=$((14 + 40 + 256 * 4))
  mkdir -p "$dir"
  {
    printf BM; le 4 $((offset + stride * height)); le 4 0; le 4 "$offset"
    le 4 40; le 4 "$width"; le 4 "$height"; le 2 1; le 2 8; le 4 0; le 4 $((stride * height))
    le 4 2835; le 4 2835; le 4 0; le 4 0
    for ((i = 0; i < 256; i++)); do le 4 $((i * 0x010101)); done
    for ((y = 0; y < height; y++)); do
      row=""
      for ((x = 0; x < stride; x++)); do printf -v row '%s\\x%02x' "$row" $(((x + y) & 255)); done
      printf "$row"
    done
  } >"$dir/tile0001.bmp"
  # One tee per few hundred names: a process per copy takes a minute on a busy machine.
  seq -f tile%04g.bmp 2 "$count" |
    (cd "$dir" && xargs -d '\n' -n 500 sh -c 'tee -- "$@" <tile0001.bmp >/dev/null' tee)
}

generate() {  # generate WORKLOAD: its sources in $work/WORKLOAD/src
  local -a s
  read -ra s <<<"${spec[$1]}"
  local dir=$work/$1/src bits=()
  ((s[3] == 24)) || bits=(--bits "${s[3]}")
  mkdir -p "$work/$1/out"
  if ! "$samples" "$dir" --count "${s[0]}" --size "${s[1]}x${s[2]}" "${bits[@]}" >/dev/null \
    2>"$work/samples.err"; then
    ((s[3] == 8)) || { cat "$work/samples.err" >&2; die "eveda-samples failed"; }
    echo "e2e_bench: $samples refuses --bits 8; writing $1's tiles here" >&2
    write_paletted_tiles "$dir" "${s[0]}" "${s[1]}" "${s[2]}"
  fi
  local first
  first=$(find "$dir" -name '*.bmp' -print -quit)
  [[ $(od -An -tu2 -j28 -N2 "$first" | tr -d ' ') == "${s[3]}" ]] ||
    die "$1: $first is not a ${s[3]}-bit BMP"
}

# command_for KIND WORKLOAD: sets cmd to the command line that does KIND's join of WORKLOAD.
command_for() {
  local -a s
  read -ra s <<<"${spec[$2]}"
  local src=$work/$2/src out=$work/$2/out/$1.bmp
  case $1 in
    eveda) cmd=("$batch" -q -w "${s[4]}" -o "$out" "$src") ;;
    floor) cmd=("$floor" --bytes "$(output_bytes "${s[@]}")" --output "$out" "$src") ;;
    montage)
      cmd=(montage "$src/"*.bmp -tile "${s[4]}x$(((s[0] + s[4] - 1) / s[4]))"
        -geometry "${s[1]}x${s[2]}+0+0" -background black "BMP3:$out")
      ;;
  esac
}

# timed KIND WORKLOAD: runs KIND's join, prints its wall seconds and its peak RSS in KiB. The
# command line is built first, so neither the clock nor the RSS sees the shell's work.
timed() {
  local cmd start end
  command_for "$1" "$2"
  start=$EPOCHREALTIME
  if ! /usr/bin/time -f %M -o "$work/rss" "${cmd[@]}" >/dev/null 2>"$work/run.err"; then
    cat "$work/run.err" "$work/rss" >&2
    die "$1 failed on $2"
  fi
  end=$EPOCHREALTIME
  echo "$(awk "BEGIN { printf \"%.4f\", $end - $start }") $(tail -n 1 "$work/rss")"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
  END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { printf '%s\n' "$@" | sort -g | tail -n 1; }

# measure WORKLOAD PAUSE: PAIRS alternating runs; appends the workload's row to $table.
measure() {
  local i result eveda_s=() floor_s=() rss=()
  for ((i = 0; i < pairs; i++)); do
    [[ $2 == 0 ]] || sleep "$2"
    result=$(timed eveda "$1")
    eveda_s+=("${result% *}") rss+=("${result#* }")
    [[ $2 == 0 ]] || sleep "$2"
    result=$(timed floor "$1")
    floor_s+=("${result% *}")
    echo "  $1 pair $((i + 1)): eveda ${eveda_s[-1]:0:5} s, floor ${floor_s[-1]:0:5} s" >&2
  done
  local e f
  e=$(median "${eveda_s[@]}") f=$(median "${floor_s[@]}")
  table+="| $(describe "$1") | $e s | $f s | $(awk "BEGIN { printf \"%.2f\", $e / $f }")× |"
  table+=" $(awk "BEGIN { printf \"%.0f\", $(maximum "${rss[@]}") * 1024 / 1e6 }") |"$'\n'
}

# The first runs are untimed: they load the programs and leave each output in place to be
# renamed over, and eveda's output must have exactly the size the floor writes.
first_runs() {
  local -a s
  read -ra s <<<"${spec[$1]}"
  local expected written
  timed eveda "$1" >/dev/null
  timed floor "$1" >/dev/null
  expected=$(output_bytes "${s[@]}") written=$(stat -c %s "$work/$1/out/eveda.bmp")
  ((expected == written)) || die "$1: eveda-batch wrote $written bytes, the floor $expected"
}

header='| workload | eveda median | floor median | ratio | peak RSS MB |'$'\n''|---|---|---|---|---|'
IFS=, read -ra chosen <<<"$workloads"
for w in "${chosen[@]}"; do
  [[ -n ${spec[$w]:-} ]] || die "no workload '$w' (w1, w2, w3, w4)"
  echo "e2e_bench: writing $w's sources" >&2
  generate "$w"
done
sync  # the sources' writeback must not overlap the timed runs

echo "eveda-batch: $batch"
echo "floor: $floor; $pairs pairs a workload, medians; MB = 10^6 bytes; RSS is the highest seen"
montage_rows=""
table=""
for w in "${chosen[@]}"; do
  echo "e2e_bench: $w warm" >&2
  first_runs "$w"
  measure "$w" 0
  if ((montage)); then
    result=$(timed montage "$w")
    montage_rows+="| $(describe "$w") | ${result:0:5} s |"$'\n'
  fi
done
printf '\nWarm (back to back):\n\n%s\n%s' "$header" "$table"
if ((idle)); then
  table=""
  for w in "${chosen[@]}"; do
    echo "e2e_bench: $w after idle" >&2
    measure "$w" "$pause"
  done
  printf '\nAfter %s s idle before each run:\n\n%s\n%s' "$pause" "$header" "$table"
fi
if ((montage)); then
  printf '\nImageMagick montage, one warm run:\n\n| workload | montage |\n|---|---|\n%s' \
    "$montage_rows"
fi
