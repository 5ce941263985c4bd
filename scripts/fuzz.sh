#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz/, replays each seed corpus and the kept inputs,
# then fuzzes each for a bounded time. Fails when an input crashes; the input is kept in
# build-fuzz/artifacts/NAME/. One fuzzer per source format (png, jpeg, webp, tiff, gif, heif,
# bmp) reads its inputs through the reader of every format; bmp_loader is the BMP decoder's own
# row source. EVEDA_FUZZ_SECONDS changes bmp_loader's fuzzing time (default 30), and
# EVEDA_FUZZ_CODEC_SECONDS each source format's (default 10).
#
# fuzz.sh --long SECONDS [FORMAT ...] runs a campaign instead, outside CI: SECONDS per fuzzer
# (all of them by default; in EVEDA_FUZZ_JOBS processes at once, default 1), growing
# build-fuzz/corpus/NAME, then prints per fuzzer the edges reached, the corpus (files, bytes)
# and the executions. A campaign also instruments libwebp, libtiff and libheif, which a CI run
# leaves to Debian's copies (they take minutes to build).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${EVEDA_FUZZ_SECONDS:-30}
codec_seconds=${EVEDA_FUZZ_CODEC_SECONDS:-10}
long=0
jobs=${EVEDA_FUZZ_JOBS:-1}
libraries=ci
targets=(bmp_loader png jpeg webp tiff gif heif bmp)
if [[ ${1:-} == --long ]]; then
  [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "usage: $0 [--long SECONDS [FORMAT ...]]" >&2; exit 2; }
  long=1 seconds=$2 codec_seconds=$2 libraries=all
  shift 2
  (($#)) && targets=("$@")
fi
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags+=" -fno-omit-frame-pointer -g"

# The decoding libraries, instrumented the same way, found first by pkg-config. A cache
# configured before they (or some of them: a campaign adds three) existed still names the
# system's copies: configure afresh then.
bash scripts/fuzz_libraries.sh "$flags" "$libraries"
instrumented=$PWD/build-fuzz/instrumented/prefix
copies=$(cd "$instrumented/lib" && ls -- *.a)
if ! grep -qs "CMAKE_PREFIX_PATH:.*=$instrumented\$" build-fuzz/CMakeCache.txt ||
  [[ $(cat build-fuzz/instrumented-copies 2>/dev/null) != "$copies" ]]; then
  rm -f build-fuzz/CMakeCache.txt
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DEVEDA_FUZZ=ON -DEVEDA_WITH_QT=OFF -DEVEDA_TESTS=OFF -DEVEDA_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_PREFIX_PATH="$instrumented" >/dev/null
echo "$copies" >build-fuzz/instrumented-copies
formats=(png jpeg webp tiff gif heif bmp)
cmake --build build-fuzz --target bmp_decoder_fuzzer bmp_decoder_seeds image_seeds source_seeds \
  "${formats[@]/%/_source_fuzzer}"

bin=build-fuzz/bin
export LSAN_OPTIONS=suppressions=$PWD/fuzz/formats/lsan.supp
# Coverage stops at a shared decoding library: the fuzzers must hold the static copies of those
# built (libwebp, libtiff and libheif only after a campaign). Debian's libtiff and libheif need
# Debian's zlib and libjpeg themselves; the fuzzer's own copies stand in for those.
shared='lib(spng|jpeg|z|gif)\.so'
for copy in webp tiff heif; do
  [[ -f $instrumented/lib/lib$copy.a ]] && shared=${shared/gif/gif|$copy}
done
if for f in "$bin"/*_source_fuzzer; do readelf -d "$f"; done | grep NEEDED | grep -E "$shared"; then
  echo "fuzz: the fuzzers link a system decoding library, not the instrumented copy" >&2
  exit 1
fi
seeds=build-fuzz/seeds
rm -rf "$seeds"
"$bin/bmp_decoder_seeds" "$seeds/bmp"
"$bin/image_seeds" "$seeds/png" "$seeds/jpeg"
"$bin/source_seeds" "$seeds/webp" "$seeds/tiff" "$seeds/gif" "$seeds/heif"

# Per fuzzer: its program, its label and its seeds; its kept inputs are fuzz/regressions/NAME/
# (the BMP decoder's own under fuzz/bmp_loader/regressions/, which its tests replay) and its
# dictionary fuzz/formats/NAME.dict.
declare -A program=([bmp_loader]=bmp_decoder_fuzzer) label=([bmp_loader]="BMP loader")
declare -A seeded=([bmp_loader]=bmp)
for format in "${formats[@]}"; do
  program[$format]=${format}_source_fuzzer label[$format]=${format^^} seeded[$format]=$format
done
summary=()
failed=0

# Replays TARGET's seeds and kept inputs, then fuzzes it for SECONDS. libFuzzer reports every
# new input; the log keeps that, the console gets the outcome.
fuzz() {
  local target=$1 seconds=$2
  local corpus=build-fuzz/corpus/$target artifacts=build-fuzz/artifacts/$target/
  local log=build-fuzz/fuzz-$target.log dict=fuzz/formats/${seeded[$target]}.dict
  mkdir -p "$corpus" "$artifacts"
  # The product's own budget lets a source hold a frame of 1 GiB besides its decoder's state;
  # past that much memory an input has escaped it. Inputs that run long (arithmetic-coded data
  # decoded to the end of a large frame) get less of the mutation's time than their coverage
  # alone would give them: five times the executions.
  local options=(-rss_limit_mb=2560 -max_len=131072 -timeout=10 -artifact_prefix="$artifacts"
    -dict="$dict" -entropic_scale_per_exec_time=1)
  run() {
    "$bin/${program[$target]}" "${options[@]}" "$@" >"$log" 2>&1 && return
    tail -n 60 "$log" >&2
    echo "fuzz: the ${label[$target]} fuzzer failed on an input; see $artifacts" >&2
    return 1
  }
  # An input that once crashed is kept with a name that says what it covers.
  local inputs kept=fuzz/regressions/$target
  [[ $target == bmp_loader ]] && kept=fuzz/bmp_loader/regressions
  mapfile -t inputs < <(compgen -G "$kept/*" || true)
  echo "fuzz: replaying the ${label[$target]} seed corpus ($(ls "$seeds/${seeded[$target]}" |
    wc -l) inputs) and ${#inputs[@]} kept inputs"
  run -runs=0 "$seeds/${seeded[$target]}" || return 1
  ((${#inputs[@]} == 0)) || run "${inputs[@]}" || return 1
  echo "fuzz: fuzzing ${label[$target]} for ${seconds} s"
  local fork=()
  ((long && jobs > 1)) && fork=(-fork="$jobs")
  run "${fork[@]}" -max_total_time="$seconds" -print_final_stats=1 "$corpus" \
    "$seeds/${seeded[$target]}" || return 1
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed 's/^/fuzz: /' || true
  # The last status line: edges (cov), features and the corpus held in memory; forked, the
  # executions of every job lead it.
  local last execs
  last=$(grep -E '^#[0-9]+:?[[:space:]].*cov: ' "$log" | tail -n 1)
  execs=$(sed -nE 's/^stat::number_of_executed_units: *//p' "$log")
  [[ -n $execs ]] || execs=$(sed -E 's/^#([0-9]+).*/\1/' <<<"$last")
  last=$(sed -E 's/^#[0-9]+:?[[:space:]]+([A-Z_]+[[:space:]]+)?//' <<<"$last")
  summary+=("${label[$target]}: ${last%% lim:*}; new inputs kept: $(ls "$corpus" | wc -l) files,\
 $(du -sb "$corpus" | cut -f1) bytes; executions: $execs")
}

for target in "${targets[@]}"; do
  [[ -n ${label[$target]:-} ]] || { echo "fuzz: no fuzzer named $target" >&2; exit 2; }
  time=$codec_seconds
  [[ $target == bmp_loader ]] && time=$seconds
  # A CI run stops at the first failure; a campaign still runs the other decoders.
  if ! fuzz "$target" "$time"; then
    failed=1
    ((long)) || exit 1
  fi
done
if ((long)); then
  echo "fuzz: campaign of ${seconds} s per fuzzer"
  printf 'fuzz: %s\n' "${summary[@]}"
fi
exit "$failed"
