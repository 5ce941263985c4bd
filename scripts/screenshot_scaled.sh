#!/usr/bin/env bash
# docs/window-scale2.png: the whole 1280x1024 screen of an Xvfb server with the window open at
# QT_SCALE_FACTOR=2 (944x840 pixels), to show that it opens wholly on the screen. Called by
# scripts/screenshots.sh; needs xvfb-run, xdotool and ImageMagick's `import`.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z "${SCALED_UNDER_XVFB:-}" ]]; then
  exec env SCALED_UNDER_XVFB=1 xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$@"
fi
unset QT_QPA_PLATFORM
work=/tmp/eveda-screenshot  # a steady path, since the window shows it
rm -rf "$work" && mkdir "$work"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
build/bin/eveda-samples "$work/samples" >/dev/null
QT_SCALE_FACTOR=2 build/bin/eveda "$work/samples" &
pid=$!
window=$(timeout 20 xdotool search --sync --name '^DID Eveda v1\.0$' | head -n 1)
[[ -n "$window" ]] || { echo "screenshot_scaled: the window did not appear"; exit 1; }
sleep 1  # the first paint
eval "$(xdotool getwindowgeometry --shell "$window")"
((X >= 0 && Y >= 0 && X + WIDTH <= 1280 && Y + HEIGHT <= 1024)) ||
  { echo "screenshot_scaled: the window at $X,$Y ${WIDTH}x$HEIGHT leaves the screen"; exit 1; }
import -window root -strip +dither -colors 16 docs/window-scale2.png
echo "screenshot_scaled: ${WIDTH}x$HEIGHT at $X,$Y on 1280x1024, saved in docs/window-scale2.png"
