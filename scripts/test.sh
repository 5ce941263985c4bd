#!/usr/bin/env bash
# Sets everything up and runs every test: the unit and window tests, the same unit tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the fuzzers (corpus replay and a
# bounded run) and a real-display smoke test of the window.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

bash scripts/setup.sh

summary=()
passed=0
run_ctest() {  # name build-dir
  local log
  log=$(mktemp)
  if ! ctest --test-dir "$2" --output-on-failure -j "$jobs" 2>&1 | tee "$log"; then :; fi
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1 || true)
  summary+=("$1: ${line:-no tests}")
  passed=$((passed + $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"${line:-out of 0}")))
  grep -qE ', 0 tests failed out of' "$log" || { rm -f "$log"; echo "FAILED: $1"; exit 1; }
  rm -f "$log"
}

# --- layers: includes follow the allowed edges (scripts/check_layers.sh) ---
echo "== layers =="
bash scripts/check_layers.sh
summary+=("layers: passed")
# --- end layers ---

echo "== tests =="
run_ctest tests build

echo "== tests with sanitizers =="
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DEVEDA_SANITIZE=ON \
  -DEVEDA_WITH_QT=OFF -DEVEDA_BENCH=OFF >/dev/null
cmake --build build-sanitize
run_ctest sanitize build-sanitize

if [[ -f scripts/fuzz.sh ]]; then
  echo "== fuzzing =="
  bash scripts/fuzz.sh
  summary+=("fuzz: done")
fi

if [[ -f scripts/smoke.sh ]]; then
  echo "== real-display smoke test =="
  bash scripts/smoke.sh
  summary+=("smoke: passed")
fi

echo "== summary =="
printf '%s\n' "${summary[@]}"
echo "all: $passed passed, 0 failed"
