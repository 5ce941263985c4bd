#!/usr/bin/env bash
# Builds zlib, libspng and libjpeg-turbo from their Debian sources, at the versions the product
# links, as static libraries instrumented like our own code, so that libFuzzer sees inside the
# decoders and not only our thin wrappers. Installs them, with pkg-config files, under
# build-fuzz/instrumented/prefix; scripts/fuzz.sh puts that prefix first on CMake's search
# path, so every pkg_check_modules(spng | libjpeg | zlib) of the fuzz build finds these copies.
# The unpacked sources and the libraries are kept: a second run with the same versions and
# flags rebuilds nothing. Needs root the first time (a deb-src entry and apt-get update).
# Usage: fuzz_libraries.sh SANITIZER_FLAGS
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

# Unpacks SOURCE=VERSION under $top/src once; prints the unpacked directory.
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
    (cd "$top/src" && apt-get source -qq "$package=$version" >/dev/null 2>&1) ||
      { echo "fuzz: apt-get source $package=$version failed" >&2; exit 1; }
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

# Runs BUILD (a function) for a library unless its stamp says this version and these flags.
build_once() {
  local name=$1 package version
  read -r package version <<<"$(source_of "$2")"
  local stamp=$prefix/.$name.stamp want="$package $version $flags"
  [[ -f $stamp && $(<"$stamp") == "$want" ]] && return
  echo "fuzz: building instrumented $package $version"
  "build_$name" "$(unpack "$package" "$version")"
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

build_once zlib zlib1g  # first: libspng is built against it
build_once spng libspng0
build_once jpeg libjpeg62-turbo
