#!/usr/bin/env bash
# Real-display smoke test: under Xvfb, open the window on a folder of sample images, click
# 「実行」 where the button is, and check the written file and the window title.
# With EVEDA_SCREENSHOT=FILE.png (scripts/screenshots.sh) it also saves a picture of the window
# after the run; ImageMagick's `import` must then be installed.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z "${SMOKE_UNDER_XVFB:-}" ]]; then
  exec env SMOKE_UNDER_XVFB=1 xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"
fi
unset QT_QPA_PLATFORM  # a real display this time

if [[ -n "${EVEDA_SCREENSHOT:-}" ]]; then
  work=/tmp/eveda-screenshot  # a steady path, since the window shows it
  rm -rf "$work" && mkdir "$work"
else
  work=$(mktemp -d)
fi
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
build/bin/eveda-samples "$work/samples" >/dev/null

build/bin/eveda "$work/samples" &
pid=$!
window=$(timeout 20 xdotool search --sync --name '^DID Eveda v1\.0$' | head -n 1)
[[ -n "$window" ]] || { echo "smoke: the window did not appear"; exit 1; }

# 「実行」: left 4680, top 5400, 2055 x 495 twips; 15 twips to a pixel.
xdotool mousemove --window "$window" 380 376 click 1

output="$work/samples/plemo001.bmp"
for _ in $(seq 100); do
  [[ -s "$output" ]] && [[ "$(xdotool getwindowname "$window")" == "DID Eveda v1.0" ]] && break
  sleep 0.1
done
[[ -s "$output" ]] || { echo "smoke: no output file after clicking 実行"; exit 1; }
[[ "$(head -c 2 "$output")" == "BM" ]] || { echo "smoke: the output is not a BMP file"; exit 1; }
size=$(stat -c %s "$output")
declared=$(od -An -tu4 -j2 -N4 "$output" | tr -d ' ')
[[ "$size" == "$declared" ]] || { echo "smoke: file size $size, header says $declared"; exit 1; }
title=$(xdotool getwindowname "$window")
[[ "$title" == "DID Eveda v1.0" ]] || { echo "smoke: final title '$title'"; exit 1; }
echo "smoke: wrote $(basename "$output") ($size bytes), title '$title'"

# --- screenshot for the README, only when asked (scripts/screenshots.sh) ---
if [[ -n "${EVEDA_SCREENSHOT:-}" ]]; then
  import -window "$window" -strip "$EVEDA_SCREENSHOT"
  echo "smoke: saved a picture of the window in $EVEDA_SCREENSHOT"
fi
