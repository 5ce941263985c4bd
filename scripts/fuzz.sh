#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz/, replays each seed corpus, then fuzzes each
# decoder for a bounded time. Fails when an input crashes; the input is kept in
# build-fuzz/artifacts/NAME/. EVEDA_FUZZ_SECONDS changes the BMP decoder's fuzzing time
# (default 60), EVEDA_FUZZ_CODEC_SECONDS the PNG and JPEG decoders' (default 20 each).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${EVEDA_FUZZ_SECONDS:-60}
codec_seconds=${EVEDA_FUZZ_CODEC_SECONDS:-20}
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
for name in bmp_decoder png_decoder jpeg_decoder; do rm -rf "build-fuzz/seeds/$name"; done
"$bin/bmp_decoder_seeds" build-fuzz/seeds/bmp_decoder
"$bin/image_seeds" build-fuzz/seeds/png_decoder build-fuzz/seeds/jpeg_decoder

# Replays NAME's seeds, then fuzzes it for SECONDS. libFuzzer reports every new input; the
# log keeps that, the console gets the outcome.
fuzz() {
  local name=$1 seconds=$2 label=$3 kept=fuzz/${1%_decoder}_loader/regressions
  local seeds=build-fuzz/seeds/$name corpus=build-fuzz/corpus/$name
  local artifacts=build-fuzz/artifacts/$name/ log=build-fuzz/fuzz-$name.log
  mkdir -p "$corpus" "$artifacts"
  local options=(-rss_limit_mb=2048 -max_len=65536 -timeout=10 -artifact_prefix="$artifacts")
  run() {
    if ! "$bin/${name}_fuzzer" "${options[@]}" "$@" >"$log" 2>&1; then
      tail -n 60 "$log" >&2
      echo "fuzz: the $label decoder failed on an input; see $artifacts" >&2
      exit 1
    fi
  }
  # An input that once crashed is kept under fuzz/NAME_loader/regressions/ with a name that
  # says what it covers; the decoder's tests replay them too.
  local replay=("$seeds")
  [[ -d $kept ]] && replay+=("$kept")
  echo "fuzz: replaying the $label seed corpus ($(ls "$seeds" | wc -l) inputs) and the kept inputs"
  run -runs=0 "${replay[@]}"
  echo "fuzz: fuzzing the $label decoder for ${seconds} s"
  run -max_total_time="$seconds" -print_final_stats=1 "$corpus" "$seeds"
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed 's/^/fuzz: /' || true
}
fuzz bmp_decoder "$seconds" BMP
fuzz png_decoder "$codec_seconds" PNG
fuzz jpeg_decoder "$codec_seconds" JPEG
