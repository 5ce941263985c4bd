#!/usr/bin/env bash
# w6: a contact sheet of 46 real photographs (the JPEG and PNG wallpapers of Debian's
# mate-backgrounds, ukui-wallpapers and lomiri-wallpapers-20.04, 1280x1024 to 6028x3391),
# `-f contain -W 320 -H 200 -w 8`, eveda-batch against vipsthumbnail + `vips arrayjoin` and
# ImageMagick's `montage`, alternating, medians of RUNS in one invocation; then each
# thumbnail's PSNR against a Lanczos3 of its fully decoded source and where eveda-batch's time
# goes (build/bin/w6_fidelity). Asserts nothing.
#
#   bash bench/w6_bench.sh [RUNS]     runs per program, default 3
#
# The packages are fetched with `apt-get download` into $W6_CACHE (default
# ~/.cache/eveda-w6), outside the repository, once; they are never committed.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
runs=${1:-3}
batch=${EVEDA_BATCH:-$root/build/bin/eveda-batch}
fidelity=$root/build/bin/w6_fidelity
for tool in vips vipsthumbnail montage apt-get dpkg-deb /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "w6_bench: $tool is missing" >&2; exit 1; }
done
[[ -x $batch && -x $fidelity ]] || { echo "w6_bench: build eveda-batch and w6_fidelity first" >&2; exit 1; }

cache=${W6_CACHE:-$HOME/.cache/eveda-w6}
photos=$cache/photos
if [[ ! -f $photos/done ]]; then
  echo "w6_bench: fetching the wallpapers into $cache (once)" >&2
  mkdir -p "$cache/debs" && rm -rf "$cache/tree" "$photos" && mkdir -p "$photos"
  (cd "$cache/debs" && apt-get download mate-backgrounds ukui-wallpapers lomiri-wallpapers-20.04) >&2
  for deb in "$cache"/debs/*.deb; do dpkg-deb -x "$deb" "$cache/tree"; done
  find "$cache/tree" -type f \( -iname '*.jpg' -o -iname '*.png' \) -exec cp {} "$photos" \;
  touch "$photos/done"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t files < <(cd "$photos" && ls *.jpg *.png | sort -f)

MEASURE_FORMAT='%e %M %U %S'

vips_sheet() {
  rm -rf "$work/thumbs" && mkdir "$work/thumbs"
  vipsthumbnail -s 320x200 --export-profile srgb -o "$work/thumbs/%s.v" "${files[@]/#/$photos/}"
  # arrayjoin takes pictures of one kind: alpha flattened (over black), grey made sRGB.
  local list=() t
  for f in "${files[@]}"; do
    t=$work/thumbs/${f%.*}
    case $(vipsheader -f bands "$t.v") in
      2 | 4) vips flatten "$t.v" "$t.f.v" && mv "$t.f.v" "$t.v" ;;
    esac
    [[ $(vipsheader -f bands "$t.v") == 1 ]] && vips colourspace "$t.v" "$t.f.v" srgb && mv "$t.f.v" "$t.v"
    list+=("$t.v")
  done
  vips arrayjoin "${list[*]}" "$work/vips.png" --across 8 --halign centre --valign centre \
    --hspacing 320 --vspacing 200
}
export -f vips_sheet
export work photos

for program in eveda vips montage eveda-bmp; do : >"$work/$program.times"; done
for ((run = 0; run < runs; run++)); do
  measure "$batch" -q -i '*.jpg' -i '*.png' -f contain -W 320 -H 200 -w 8 -o "$work/eveda.png" \
    "$photos" >>"$work/eveda.times"
  measure bash -c "$(declare -p files); vips_sheet" >>"$work/vips.times"
  measure montage -define jpeg:size=640x400 "${files[@]/#/$photos/}" -tile 8x \
    -geometry 320x200+0+0 "$work/montage.png" >>"$work/montage.times"
  measure "$batch" -q -i '*.jpg' -i '*.png' -f contain -W 320 -H 200 -w 8 -o "$work/eveda.bmp" \
    "$photos" >>"$work/eveda-bmp.times"
done
echo "| program | wall (median of $runs) | CPU (user + system) | peak RSS |"
echo "|---|---|---|---|"
for program in eveda vips montage eveda-bmp; do
  wall=$(cut -d' ' -f1 "$work/$program.times" | median)
  rss=$(cut -d' ' -f2 "$work/$program.times" | median)
  cpu=$(awk '{print $3 + $4}' "$work/$program.times" | median)
  printf '| %s | %s s | %s s | %.0f MiB |\n' "$program" "$wall" "$cpu" \
    "$(echo "$rss / 1024" | bc -l)"
done
echo
echo "eveda-bmp is the same sheet written as BMP: the difference in CPU is PNG compression; the"
echo "decode and resample figures below are w6_fidelity's, one thread; draw and write are the rest."
echo
echo "| thumbnail | source | PSNR against Lanczos3 of the whole source |"
echo "|---|---|---|"
"$fidelity" "$photos" "$work/eveda.png" 320 200 8
