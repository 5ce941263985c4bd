#!/usr/bin/env bash
# Builds the decoding libraries the source formats link (zlib, libspng, libjpeg-turbo, libwebp,
# libtiff, giflib, libheif) from their Debian sources, at the versions the product links, as
# static libraries instrumented like our own code, so that libFuzzer sees inside the decoders and not only our thin wrappers. Installs them, with pkg-config files, under
# build-fuzz/instrumented/prefix; scripts/fuzz.sh puts that prefix first on CMake's search
# path, so every pkg_check_modules() and find_library() of the fuzz build finds these copies.
# The compression libraries libtiff uses besides zlib and JPEG (zstd, lzma, deflate, jbig, lerc)
# and libheif's codecs (libde265, dav1d, aom, x265) stay Debian's: their own code is not ours
# to reach, the containers and glue around them are.
# The unpacked sources and the libraries are kept: a second run with the same versions and
# flags rebuilds nothing. Needs root the first time (a deb-src entry and apt-get update).
#
# A CI run builds only the quick ones (zlib, libspng, libjpeg-turbo, giflib); `all` adds libwebp,
# libtiff and libheif, which take minutes from a clean tree. A copy built once stays in the
# prefix, so a CI run after a campaign fuzzes through it too.
# Usage: fuzz_libraries.sh SANITIZER_FLAGS [all]
set -euo pipefail
cd "$(dirname "$0")/.."
flags="$1 -O1 -gline-tables-only"
top=$PWD/build-fuzz/instrumented
prefix=$top/prefix
mkdir -p "$top/src" "$prefix/include" "$prefix/lib/pkgconfig"

# The Debian source package and version behind a binary package the product links.
source_of() { dpkg-query -W -f='${source:Package} ${source:Version}' "$1"; }

# Source package entries, mirroring the machine's binary ones (bookworm, updates, security).
add_source_entries() {
  local list=/etc/apt/sources.list.d/eveda-fuzz-sources.sources
  [[ -f $list ]] && return
  echo "fuzz: adding Debian source entries ($list)" >&2
  cat >"$list" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# Unpacks SOURCE=VERSION under $top/src once; prints the unpacked directory. A security update
# the mirror no longer serves (it happens to superseded ones) falls back to the newest older
# revision of the same upstream version that it does serve, and says so.
unpack() {
  local package=$1 version=$2 upstream=${2#*:}
  upstream=${upstream%-*}
  local dir=$top/src/$package-$upstream
  if [[ ! -f $dir/.unpacked ]]; then
    add_source_entries
    if ! apt-cache showsrc "$package" 2>/dev/null | grep -qx "Version: $version"; then
      apt-get update -qq
    fi
    rm -rf "$dir"
    local candidate
    for candidate in "$version" $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' |
      grep -F "${version%-*}-" | grep -vxF "$version" | sort -Vr); do
      (cd "$top/src" && apt-get source -qq "$package=$candidate" >/dev/null 2>&1) || continue
      [[ $candidate == "$version" ]] ||
        echo "fuzz: $package $version is not served here; built from $candidate instead" >&2
      echo "$candidate" >"$dir/.unpacked"
      break
    done
    [[ -f $dir/.unpacked ]] || { echo "fuzz: apt-get source $package=$version failed" >&2; exit 1; }
  fi
  echo "$dir"
}

# Flags a library is built with besides the fuzzers' own.
declare -A own_flags=()

# Runs BUILD (a function) for a library unless its stamp says this version and these flags.
build_once() {
  local name=$1 package version dir
  read -r package version <<<"$(source_of "$2")"
  local stamp=$prefix/.$name.stamp want="$package $version $flags${own_flags[$name]:+ ${own_flags[$name]}}"
  [[ -f $stamp && $(<"$stamp") == "$want" ]] && return
  echo "fuzz: building instrumented $package $version"
  dir=$(unpack "$package" "$version") || exit 1
  "build_$name" "$dir"
  echo "$want" >"$stamp"
}

# NAME LIBS CFLAGS: a pkg-config file for a copy under $prefix.
write_pc() {
  cat >"$prefix/lib/pkgconfig/$1.pc" <<EOF
prefix=$prefix
Name: $1
Description: $1, instrumented for the fuzzers
Version: 0
Libs: -L\${prefix}/lib $2
Cflags: -I\${prefix}/include $3
EOF
}

build_zlib() {
  (cd "$1" && CC=clang CFLAGS="$flags" ./configure --static >/dev/null &&
    make -s clean && make -s -j2 libz.a)
  cp "$1/libz.a" "$prefix/lib/"
  cp "$1/zlib.h" "$1/zconf.h" "$prefix/include/"
  write_pc zlib "-lz" ""
}

build_spng() {
  local out=$top/build/spng
  # Debian builds it without the architecture-specific filters (enable_opt=false).
  CC=clang cmake -S "$1" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_C_FLAGS="$flags" \
    -DENABLE_OPT=OFF -DBUILD_EXAMPLES=OFF -DZLIB_INCLUDE_DIR="$prefix/include" \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" >/dev/null
  cmake --build "$out" --target spng_static -j2 >/dev/null
  cp "$out/libspng_static.a" "$prefix/lib/libspng.a"
  cp "$1/spng/spng.h" "$prefix/include/"
  write_pc spng "-lspng -lz -lm" "-DSPNG_STATIC"
}

build_jpeg() {
  local out=$top/build/jpeg
  # No SIMD: its assembly is neither instrumented nor built without nasm. Arithmetic coding
  # both ways, as Debian's.
  CC=clang cmake -S "$1" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_C_FLAGS="$flags" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=0 -DWITH_TURBOJPEG=0 \
    -DWITH_ARITH_DEC=1 -DWITH_ARITH_ENC=1 >/dev/null
  cmake --build "$out" --target jpeg-static -j2 >/dev/null
  cp "$out/libjpeg.a" "$prefix/lib/"
  cp "$1/jpeglib.h" "$1/jmorecfg.h" "$1/jerror.h" "$out/jconfig.h" "$prefix/include/"
  write_pc libjpeg "-ljpeg" ""
}

build_webp() {
  local out=$top/build/webp
  CC=clang cmake -S "$1" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_C_FLAGS="$flags" \
    -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF \
    -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF \
    -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF \
    -DWEBP_BUILD_EXTRAS=OFF >/dev/null
  cmake --build "$out" --target webp webpdemux -j2 >/dev/null
  cp "$out/libwebp.a" "$out/libwebpdemux.a" "$prefix/lib/"
  mkdir -p "$prefix/include/webp"
  cp "$1"/src/webp/{decode,demux,encode,mux_types,types}.h "$prefix/include/webp/"
  write_pc libwebp "-lwebp -lm -pthread" ""
  write_pc libwebpdemux "-lwebpdemux -lwebp -lm -pthread" ""
}

# Debian's codecs: zlib and JPEG are the instrumented copies, WebP too; the rest are found where
# Debian installs them.
tiff_codecs="-lzstd -llzma -ldeflate -ljbig -lLerc"
# Its 16-bit grey putters read samples at odd addresses where a tile's rows start at one: a load
# x86-64 and arm64 make as any other, not checked there, so that fuzzing goes on past it.
own_flags[tiff]="-fno-sanitize=alignment"
build_tiff() {
  local out=$top/build/tiff
  CC=clang CXX=clang++ cmake -S "$1" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_FLAGS="$flags ${own_flags[tiff]}" -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
    -Wno-dev -DWebP_LIBRARY="$prefix/lib/libwebp.a" -DWebP_INCLUDE_DIR="$prefix/include" \
    -DJPEG_LIBRARY_RELEASE="$prefix/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$prefix/include" \
    -DZLIB_LIBRARY_RELEASE="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" >/dev/null
  cmake --build "$out" --target tiff -j2 >/dev/null
  cp "$out/libtiff/libtiff.a" "$prefix/lib/"
  cp "$1"/libtiff/{tiffio,tiff}.h "$out"/libtiff/tiffconf.h "$prefix/include/"
  cp "$out/libtiff/tiffvers.h" "$prefix/include/" 2>/dev/null || cp "$1/libtiff/tiffvers.h" "$prefix/include/"
  write_pc libtiff-4 "-ltiff -lwebp -ljpeg -lz $tiff_codecs -lm -pthread" ""
}

build_gif() {
  (cd "$1" && make -s clean >/dev/null && make -s -j2 libgif.a CC=clang CFLAGS="$flags -std=gnu99")
  cp "$1/libgif.a" "$prefix/lib/"
  cp "$1/gif_lib.h" "$prefix/include/"
}

# Its decoders built in, as Debian's: no plugins to load. Its AV1 glue copies an item of no bytes
# from a null pointer, which copies nothing: not checked there, so that fuzzing goes on past it.
own_flags[heif]="-fno-sanitize=nonnull-attribute"
build_heif() {
  local out=$top/build/heif heif_flags="$flags ${own_flags[heif]}"
  CC=clang CXX=clang++ cmake -S "$1" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_FLAGS="$heif_flags" -DCMAKE_CXX_FLAGS="$heif_flags" -DBUILD_SHARED_LIBS=OFF \
    -DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF -DBUILD_TESTING=OFF -DWITH_GDK_PIXBUF=OFF \
    -DWITH_LIBDE265=ON -DWITH_DAV1D=ON -DWITH_AOM_DECODER=ON -DWITH_AOM_ENCODER=ON \
    -DWITH_X265=ON -DWITH_RAV1E=OFF -DWITH_SvtEnc=OFF -DWITH_JPEG_DECODER=OFF \
    -DWITH_JPEG_ENCODER=OFF -DWITH_KVAZAAR=OFF -DWITH_FFMPEG_DECODER=OFF >/dev/null
  cmake --build "$out" --target heif -j2 >/dev/null
  cp "$out/libheif/libheif.a" "$prefix/lib/"
  mkdir -p "$prefix/include/libheif"
  cp "$1"/libheif/heif*.h "$prefix/include/libheif/"
  cp "$out/libheif/heif_version.h" "$prefix/include/libheif/"  # the configured one
  write_pc libheif "-lheif -lde265 -ldav1d -laom -lx265 -lz -lstdc++ -lm -pthread" ""
}

build_once zlib zlib1g  # first: libspng, libtiff and libheif are built against it
build_once spng libspng0
build_once jpeg libjpeg62-turbo
build_once gif libgif7
[[ ${2:-} == all ]] || exit 0
build_once webp libwebp7  # before libtiff, which reads WebP tiles with it
build_once tiff libtiff6
build_once heif libheif1
