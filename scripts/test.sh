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
  local log status=0
  log=$(mktemp)
  # ctest's own exit status decides; its summary line only gives the count.
  ctest --test-dir "$2" --output-on-failure --no-tests=error -j "$jobs" 2>&1 | tee "$log" ||
    status=$?
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1 || true)
  rm -f "$log"
  summary+=("$1: ${line:-no tests}")
  ((status == 0)) || { echo "FAILED: $1 (ctest exit status $status)"; exit 1; }
  passed=$((passed + $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"${line:-out of 0}")))
}

# Includes follow the allowed edges (scripts/check_layers.sh).
echo "== layers =="
bash scripts/check_layers.sh
summary+=("layers: passed")

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

echo "== the window starts every time =="
bash scripts/gui_start_loop.sh build/bin/eveda 200
summary+=("gui starts: passed")

# --- install rules, the Debian package, the window without a display ---
echo "== install and package =="
bash scripts/install_check.sh
summary+=("install: passed")

echo "== the viewer page in headless Chromium =="
bash scripts/viewer_check.sh build
summary+=("viewer: passed")

echo "== summary =="
printf '%s\n' "${summary[@]}"
echo "all: $passed passed, 0 failed"
