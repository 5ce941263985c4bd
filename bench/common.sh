# Sourced by the benchmark scripts: what several of them share. Expects `work`, a scratch
# folder of the caller's, for measure.

# Prints "SECONDS KIB" for one run of the command (and user and system seconds with
# MEASURE_FORMAT='%e %M %U %S').
measure() {
  /usr/bin/time -f "${MEASURE_FORMAT:-%e %M}" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  cat "$work/time"
}

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# w5's 400 photographic 256 x 256 sources: ImageMagick plasma fractals (seeded, blurred a little
# so they read as photographs rather than noise) as PNG and as JPEG at quality 90, made once into
# $TMPDIR/eveda-w5-sources and kept. Prints that folder.
w5_sources() {
  local sources=${TMPDIR:-/tmp}/eveda-w5-sources sheet
  if [[ ! -f $sources/done ]]; then
    echo "bench: making w5's sources in $sources (once)" >&2
    rm -rf "$sources" && mkdir -p "$sources/png" "$sources/jpg"
    for sheet in $(seq 1 25); do
      convert -seed "$sheet" -size 1024x1024 plasma:fractal -blur 0x1.5 -depth 8 -type TrueColor \
        -crop 256x256 +repage "$sources/png/s$(printf %02d "$sheet")_%02d.png"
    done
    mogrify -path "$sources/jpg" -format jpg -quality 90 "$sources"/png/*.png
    touch "$sources/done"
  fi
  echo "$sources"
}
