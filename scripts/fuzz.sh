#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz/, replays the seed corpus, then fuzzes for a
# bounded time. Fails when an input crashes; the input is kept in build-fuzz/artifacts/.
# EVEDA_FUZZ_SECONDS changes the fuzzing time (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${EVEDA_FUZZ_SECONDS:-60}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags+=" -fno-omit-frame-pointer -g"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DEVEDA_FUZZ=ON -DEVEDA_WITH_QT=OFF -DEVEDA_TESTS=OFF -DEVEDA_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz --target bmp_decoder_fuzzer bmp_decoder_seeds

bin=build-fuzz/bin
seeds=build-fuzz/seeds/bmp_decoder
corpus=build-fuzz/corpus/bmp_decoder
artifacts=build-fuzz/artifacts/bmp_decoder/
rm -rf "$seeds"
mkdir -p "$corpus" "$artifacts"
"$bin/bmp_decoder_seeds" "$seeds"

options=(-rss_limit_mb=2048 -max_len=65536 -timeout=10 -artifact_prefix="$artifacts")
log=build-fuzz/fuzz.log
# libFuzzer reports every new input; the log keeps that, the console gets the outcome.
run_fuzzer() {
  if ! "$bin/bmp_decoder_fuzzer" "${options[@]}" "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: the BMP decoder failed on an input; see $artifacts" >&2
    exit 1
  fi
}
echo "fuzz: replaying the seed corpus ($(ls "$seeds" | wc -l) inputs) and the kept inputs"
run_fuzzer -runs=0 "$seeds" fuzz/bmp_loader/regressions
# An input that crashed is kept under fuzz/bmp_loader/regressions/ with a name that says what it
# covers; bmp_loader_tests replays them all.
echo "fuzz: fuzzing the BMP decoder for ${seconds} s"
run_fuzzer -max_total_time="$seconds" -print_final_stats=1 "$corpus" "$seeds"
grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed 's/^/fuzz: /' || true
