#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz/, replays each seed corpus and the kept inputs,
# then fuzzes each decoder for a bounded time. Fails when an input crashes; the input is kept
# in build-fuzz/artifacts/NAME/. EVEDA_FUZZ_SECONDS changes the BMP decoder's fuzzing time
# (default 60), EVEDA_FUZZ_CODEC_SECONDS the PNG and JPEG decoders' (default 20 each).
#
# fuzz.sh --long SECONDS [bmp|png|jpeg ...] runs a campaign instead, outside CI: SECONDS per
# decoder (all three by default), growing build-fuzz/corpus/NAME, then prints per decoder the
# edges reached, the corpus (files, bytes) and the executions.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${EVEDA_FUZZ_SECONDS:-60}
codec_seconds=${EVEDA_FUZZ_CODEC_SECONDS:-20}
long=0
targets=(bmp png jpeg)
if [[ ${1:-} == --long ]]; then
  [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "usage: $0 [--long SECONDS [bmp|png|jpeg ...]]" >&2; exit 2; }
  long=1 seconds=$2 codec_seconds=$2
  shift 2
  (($#)) && targets=("$@")
fi
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags+=" -fno-omit-frame-pointer -g"

# The decoding libraries, instrumented the same way, found first by pkg-config. A cache
# configured before they existed still names the system's copies: configure afresh then.
bash scripts/fuzz_libraries.sh "$flags"
instrumented=$PWD/build-fuzz/instrumented/prefix
grep -qs "CMAKE_PREFIX_PATH:.*=$instrumented\$" build-fuzz/CMakeCache.txt ||
  rm -f build-fuzz/CMakeCache.txt
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DEVEDA_FUZZ=ON -DEVEDA_WITH_QT=OFF -DEVEDA_TESTS=OFF -DEVEDA_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_PREFIX_PATH="$instrumented" >/dev/null
cmake --build build-fuzz --target bmp_decoder_fuzzer bmp_decoder_seeds png_decoder_fuzzer \
  jpeg_decoder_fuzzer image_seeds

bin=build-fuzz/bin
# Coverage stops at a shared decoding library: the fuzzers must hold the static copies.
if ldd "$bin/png_decoder_fuzzer" "$bin/jpeg_decoder_fuzzer" | grep -E 'lib(spng|jpeg|z)\.so'; then
  echo "fuzz: the fuzzers link a system decoding library, not the instrumented copy" >&2
  exit 1
fi
for name in bmp_decoder png_decoder jpeg_decoder; do rm -rf "build-fuzz/seeds/$name"; done
"$bin/bmp_decoder_seeds" build-fuzz/seeds/bmp_decoder
"$bin/image_seeds" build-fuzz/seeds/png_decoder build-fuzz/seeds/jpeg_decoder

# Per decoder: its label, its kept inputs (a folder or a pattern) and its dictionary.
declare -A label=([bmp]=BMP [png]=PNG [jpeg]=JPEG)
declare -A kept=([bmp]="fuzz/bmp_loader/regressions/*" [png]="fuzz/image_codecs/regressions/*.png"
  [jpeg]="fuzz/image_codecs/regressions/*.jpg")
declare -A dict=([png]=fuzz/image_codecs/png.dict [jpeg]=fuzz/image_codecs/jpeg.dict)
summary=()
failed=0

# Replays TARGET's seeds and kept inputs, then fuzzes it for SECONDS. libFuzzer reports every
# new input; the log keeps that, the console gets the outcome.
fuzz() {
  local target=$1 seconds=$2 name=$1_decoder
  local seeds=build-fuzz/seeds/$name corpus=build-fuzz/corpus/$name
  local artifacts=build-fuzz/artifacts/$name/ log=build-fuzz/fuzz-$name.log
  mkdir -p "$corpus" "$artifacts"
  local options=(-rss_limit_mb=2048 -max_len=65536 -timeout=10 -artifact_prefix="$artifacts")
  [[ -n ${dict[$target]:-} ]] && options+=(-dict="${dict[$target]}")
  run() {
    "$bin/${name}_fuzzer" "${options[@]}" "$@" >"$log" 2>&1 && return
    tail -n 60 "$log" >&2
    echo "fuzz: the ${label[$target]} decoder failed on an input; see $artifacts" >&2
    return 1
  }
  # An input that once crashed is kept under fuzz/FOLDER/regressions/ with a name that says
  # what it covers; the BMP decoder's tests replay theirs too.
  local inputs
  mapfile -t inputs < <(compgen -G "${kept[$target]}" || true)
  echo "fuzz: replaying the ${label[$target]} seed corpus ($(ls "$seeds" | wc -l) inputs)" \
    "and ${#inputs[@]} kept inputs"
  run -runs=0 "$seeds" || return 1
  ((${#inputs[@]} == 0)) || run "${inputs[@]}" || return 1
  echo "fuzz: fuzzing the ${label[$target]} decoder for ${seconds} s"
  run -max_total_time="$seconds" -print_final_stats=1 "$corpus" "$seeds" || return 1
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed 's/^/fuzz: /' || true
  # The last status line: edges (cov), features and the corpus held in memory.
  local last execs
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 | sed -E 's/^#[0-9]+[[:space:]]+[A-Z_]+[[:space:]]+//')
  execs=$(sed -nE 's/^stat::number_of_executed_units: *//p' "$log")
  summary+=("${label[$target]}: ${last%% lim:*}; new inputs kept: $(ls "$corpus" | wc -l) files,\
 $(du -sb "$corpus" | cut -f1) bytes; executions: $execs")
}

for target in "${targets[@]}"; do
  [[ -n ${label[$target]:-} ]] || { echo "fuzz: no decoder named $target" >&2; exit 2; }
  time=$codec_seconds
  [[ $target == bmp ]] && time=$seconds
  # A CI run stops at the first failure; a campaign still runs the other decoders.
  if ! fuzz "$target" "$time"; then
    failed=1
    ((long)) || exit 1
  fi
done
if ((long)); then
  echo "fuzz: campaign of ${seconds} s per decoder"
  printf 'fuzz: %s\n' "${summary[@]}"
fi
exit "$failed"
