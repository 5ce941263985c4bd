#!/usr/bin/env bash
# Remakes the committed pictures: docs/window.png (the window after a run, taken by the smoke
# test under Xvfb), docs/window-scale2.png (the window at scale 2 on a 1280x1024 screen),
# docs/joined-samples.png (what eveda-batch makes of the samples) and packaging/eveda-256.png
# (the icon, rendered from packaging/eveda.svg). Run it by hand when one of them would
# change; CI never rewrites them. Installs ImageMagick and rsvg-convert when they are missing
# (they are not needed to build or test).
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
for p in imagemagick librsvg2-bin; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "screenshots: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[[ -x build/bin/eveda && -x build/bin/eveda-batch ]] || bash scripts/setup.sh

mkdir -p docs
EVEDA_SCREENSHOT="$PWD/docs/window.png" bash scripts/smoke.sh
bash scripts/screenshot_scaled.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/eveda-samples "$work/samples" >/dev/null
build/bin/eveda-batch -q -s 4 -b 303840 "$work/samples" >/dev/null
convert "$work/samples/plemo001.bmp" -strip docs/joined-samples.png

rsvg-convert -w 256 -h 256 packaging/eveda.svg -o packaging/eveda-256.png

for picture in docs/window.png docs/window-scale2.png docs/joined-samples.png packaging/eveda-256.png; do
  size=$(stat -c %s "$picture")
  ((size < 100 * 1024)) || { echo "screenshots: $picture is $size bytes, over 100 KB"; exit 1; }
  echo "screenshots: $picture ($size bytes)"
done
