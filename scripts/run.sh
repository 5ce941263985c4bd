#!/usr/bin/env bash
# Sets everything up, makes a folder of sample images and opens the window on it. Without a
# display the same job runs headless with eveda-batch, so the command still shows a result.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build/bin/eveda-samples build/samples >/dev/null
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: no display; joining build/samples with eveda-batch instead of the window"
  exec build/bin/eveda-batch build/samples
fi
exec build/bin/eveda "$PWD/build/samples"
