#!/usr/bin/env bash
# Installs what Eveda needs on Debian 12 (as root) and builds it into build/.
# Quick when everything is already there: packages are only fetched when one is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build
  qt6-base-dev libicu-dev fonts-ipafont-gothic
  libspng-dev libjpeg62-turbo-dev zlib1g-dev  # eveda-batch's PNG and JPEG sources and output
  liblcms2-dev libexif-dev  # pictures: embedded ICC profiles to sRGB, EXIF orientation
  libpng-dev         # the tests write their PNG sources with the reference library
  libwebp-dev        # WebP sources and output (libwebpdemux: an animation's first frame)
  libtiff-dev        # TIFF sources and output
  libgif-dev         # GIF sources
  libheif-dev        # HEIC and AVIF sources (Debian's libheif decodes HEVC and AV1, and encodes them for the tests)
  libgs-common       # the colour tests' ICC profiles (Adobe RGB, grey, CMYK)
  libgtest-dev
  # --- captions (text/): find, order, shape and rasterise the text under each cell ---
  libfontconfig-dev libharfbuzz-dev libfreetype-dev libfribidi-dev
  fonts-noto-cjk fonts-dejavu-core  # the CJK fallback and the Hebrew font the caption tests use
  libharfbuzz-bin    # hb-view: the tests' independent rendering of the same text and font
  clang libclang-rt-14-dev
  xvfb xauth xdotool
  # --- installing and packaging (scripts/install_check.sh) ---
  libxcb1-dev        # eveda asks libxcb whether the X display answers before Qt starts
  dpkg-dev           # dpkg-shlibdeps: the Debian package's library dependencies; dpkg-source:
                     # the fuzz build unpacks its decoding libraries from their sources
  desktop-file-utils # desktop-file-validate
  appstream          # appstreamcli validate on both packages' metadata
  libglib2.0-bin     # gio mime: eveda is no folder's default application
  bash-completion    # the library eveda-batch's completion is written for, in its test
  lintian            # lintian --pedantic on both packages
  man-db groff-base  # man --warnings -l renders the manual pages
  python3            # the X relay that hangs up, in scripts/flaky_display_check.sh
  # --- the pyramid's viewer page (eveda-batch --viewer, scripts/viewer_check.sh) ---
  chromium           # the page loaded headless: screenshot pixels and the tiles zooming asks for
  # --- benchmarks (bench/w5_bench.sh) ---
  libvips-tools imagemagick  # vips arrayjoin and montage, the peers of the PNG benchmark
)

# npm fetches OpenSeadragon's package at configure time (packaging/openseadragon.cmake). A
# Node.js from elsewhere brings its own npm, and Debian's npm package conflicts with it.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
