#!/usr/bin/env bash
# Sets everything up, makes a folder of sample images and opens the window on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build/bin/eveda-samples build/samples
exec build/bin/eveda "$PWD/build/samples"
