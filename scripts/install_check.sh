#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` make of build/: the installed eveda-batch
# joins the samples from where it is installed, the desktop entry validates, both manual pages
# render without warnings and list every option, the package holds exactly the installed
# files and says what it depends on, and the window started without a display that answers
# (none at all, nothing listening, a server that hangs up) says so in one line and exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_check: $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n "$version" ]] || fail "no project version in $build/CMakeCache.txt"

echo "-- cmake --install"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
installed=$(sed "s|^$prefix/||" "$build/install_manifest.txt" | sort)
printf '   %s\n' $installed

echo "-- the installed eveda-batch"
[[ "$("$prefix/bin/eveda-batch" --version)" == "eveda-batch $version" ]] ||
  fail "eveda-batch --version does not print 'eveda-batch $version'"
"$build/bin/eveda-samples" "$work/samples" >/dev/null
line=$(cd "$work" && "$prefix/bin/eveda-batch" -q "$work/samples")
output=$work/samples/plemo001.bmp
[[ "$line" =~ ^"$output "[0-9]+x[0-9]+$ ]] || fail "eveda-batch printed '$line'"
[[ "$(head -c 2 "$output")" == "BM" ]] || fail "the joined image is not a BMP file"
[[ "$(stat -c %s "$output")" == "$(od -An -tu4 -j2 -N4 "$output" | tr -d ' ')" ]] ||
  fail "the joined image's size disagrees with its header"

echo "-- desktop entry"
desktop-file-validate "$prefix/share/applications/eveda.desktop"

echo "-- manual pages"
for page in eveda eveda-batch; do
  file=$prefix/share/man/man1/$page.1.gz
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "$page.1 renders with warnings: $warnings"
done
# Every option that --help lists, short and long, is in the page.
page=$(MANWIDTH=1000 man --no-hyphenation -E ascii -l "$prefix/share/man/man1/eveda-batch.1.gz")
for option in $("$prefix/bin/eveda-batch" --help | grep -oE -- '(^  -[A-Za-z]|--[a-z][a-z-]*)'); do
  grep -qE -- "(^|[^-[:alnum:]])$option([^-[:alnum:]]|\$)" <<<"$page" || fail "eveda-batch.1 does not mention $option"
done

echo "-- cpack -G DEB"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$build/eveda_${version}_$(dpkg --print-architecture).deb
[[ -f "$deb" ]] || fail "no $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "   Depends: $depends"
for needed in libqt6widgets6 libicu fonts-ipafont-gothic; do
  [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed"
done
[[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "the package's version is not $version"
packed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | sort)
[[ "$packed" == "$installed" ]] ||
  fail "the package and cmake --install disagree:"$'\n'"$(diff <(echo "$packed") <(echo "$installed"))"
! grep -E '\.a$|_tests?$|_bench$|fuzz|samples' <<<"$installed" || fail "a build-only file is installed"
echo "   $(basename "$deb"): $(stat -c %s "$deb") bytes"

echo "-- eveda without a display"
unused=99
while [[ -e /tmp/.X11-unix/X$unused || -e /tmp/.X$unused-lock ]] ||
  grep -q "/tmp/.X11-unix/X$unused\$" /proc/net/unix; do
  unused=$((unused + 1))
done
expected="eveda: cannot open a display; use eveda-batch to join images without a window"
no_display() {  # description, then the environment changes for env
  local description=$1 status=0
  shift
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" \
    "$prefix/bin/eveda" "$work/samples" >"$work/stdout" 2>"$work/stderr") || status=$?
  [[ "$status" == 1 ]] || fail "$description: exit status $status, not 1"
  [[ "$(cat "$work/stderr")" == "$expected" ]] || fail "$description: stderr '$(cat "$work/stderr")'"
  [[ ! -s "$work/stdout" ]] || fail "$description: wrote on stdout"
  ! compgen -G "$work/core*" >/dev/null || fail "$description: left a core file"
  echo "   $description: exit 1, one line"
}
no_display "no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM"
no_display "DISPLAY=:$unused, where no server listens" DISPLAY=":$unused"
no_display "QT_QPA_PLATFORM=xcb without DISPLAY" QT_QPA_PLATFORM=xcb
# The offscreen platform the tests use needs no display: the window is still up when stopped.
status=0
(cd "$work" && timeout 5 env -u DISPLAY QT_QPA_PLATFORM=offscreen "$prefix/bin/eveda" \
  "$work/samples" >/dev/null 2>&1) || status=$?
[[ "$status" == 124 ]] || fail "QT_QPA_PLATFORM=offscreen: exit status $status before it was stopped"
echo "   QT_QPA_PLATFORM=offscreen: the window starts"
bash scripts/flaky_display_check.sh "$prefix/bin/eveda" "$work/samples"

echo "install_check: passed"
