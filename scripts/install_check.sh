#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` make of build/: the installed eveda-batch
# joins the samples from where it is installed, the desktop entry (which claims no file type)
# and both AppStream files validate, bash completes eveda-batch's options, both manual pages
# render without warnings and list every option; the two packages (eveda-batch without Qt,
# eveda the window) hold exactly the installed files between them, say what they depend on,
# pass lintian --pedantic without an error or a warning, install with dpkg into a scratch root,
# and their programs are hardened and stripped; and the window started without a display that
# answers (none at all, nothing listening, a server that hangs up) says so in one line and
# exits 1.
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

echo "-- desktop entry, AppStream metadata, bash completion"
desktop-file-validate "$prefix/share/applications/eveda.desktop"
# Claiming no type, the window is no one's default application (for folders above all).
! grep -q '^MimeType=' "$prefix/share/applications/eveda.desktop" ||
  fail "the desktop entry claims a MIME type"
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[[ ${#metainfo[@]} == 2 ]] || fail "not two AppStream files: ${metainfo[*]}"
appstreamcli validate --no-net --pedantic "${metainfo[@]}" | sed 's/^/   /' ||
  fail "the AppStream metadata does not validate"
grep -qx '  <launchable type="desktop-id">eveda.desktop</launchable>' \
  "$prefix/share/metainfo/example.c_seed_cfd7c79c.eveda.metainfo.xml" ||
  fail "the window's AppStream metadata does not name its desktop entry"
bash tests/scripts/batch_completion_test.sh \
  "$prefix/share/bash-completion/completions/eveda-batch" "$prefix/bin/eveda-batch" | sed 's/^/   /' ||
  fail "bash does not complete eveda-batch as it should"

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

echo "-- cpack -G DEB: eveda-batch and eveda"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
batch_deb=$build/eveda-batch_${version}_$arch.deb
window_deb=$build/eveda_${version}_$arch.deb
for deb in "$batch_deb" "$window_deb"; do
  [[ -f "$deb" ]] || fail "no $deb"
  [[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "$(basename "$deb"): version is not $version"
  echo "   $(basename "$deb"): $(stat -c %s "$deb") bytes, Depends: $(dpkg-deb -f "$deb" Depends)"
done
batch_depends=$(dpkg-deb -f "$batch_deb" Depends)
window_depends=$(dpkg-deb -f "$window_deb" Depends)
[[ "$batch_depends" == *libicu* ]] || fail "eveda-batch does not depend on ICU"
! grep -qiE 'qt|libx|fonts' <<<"$batch_depends" || fail "eveda-batch depends on the window's libraries"
for needed in libqt6widgets6 "eveda-batch (= $version)" fonts-ipafont-gothic qt6-translations-l10n; do
  [[ "$window_depends" == *"$needed"* ]] || fail "eveda does not depend on $needed"
done
packed() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||'; }
# The two packages hold what cmake --install installs, each file once, plus their own
# copyright and changelog.
both=$(cat <(packed "$batch_deb") <(packed "$window_deb") | sort)
[[ -z "$(uniq -d <<<"$both")" ]] || fail "both packages hold $(uniq -d <<<"$both")"
[[ "$both" == "$installed" ]] ||
  fail "the packages and cmake --install disagree:"$'\n'"$(diff <(echo "$both") <(echo "$installed"))"
! grep -E '\.a$|_tests?$|_bench$|fuzz|samples' <<<"$installed" || fail "a build-only file is installed"
grep -qx 'bin/eveda-batch' <(packed "$batch_deb") || fail "eveda-batch is not in its package"
grep -qx 'bin/eveda' <(packed "$window_deb") || fail "eveda is not in its package"

echo "-- lintian --pedantic"
for deb in "$batch_deb" "$window_deb"; do
  tags=$(lintian --pedantic --display-info "$deb" 2>&1 | grep -E '^[A-Z]: ' || true)
  [[ -z "$tags" ]] || printf '   %s\n' "$tags"
  ! grep -qE '^[EW]: ' <<<"$tags" || fail "lintian reports errors or warnings for $(basename "$deb")"
  echo "   $(basename "$deb"): no errors or warnings"
done

echo "-- installed with dpkg into a scratch root"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The scratch root holds none of the libraries; the binaries are checked against this system's.
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$batch_deb" "$window_deb" \
  >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg could not install the packages"; }
for package in eveda-batch eveda; do
  status=$(dpkg --root="$root" -s "$package" 2>/dev/null || true)
  grep -qx 'Status: install ok installed' <<<"$status" || fail "$package is not installed in the scratch root"
done
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' '; }
echo "   eveda-batch links: $(needed "$root/usr/bin/eveda-batch")"
echo "   eveda links: $(needed "$root/usr/bin/eveda")"
! grep -qi 'qt' <<<"$(needed "$root/usr/bin/eveda-batch")" || fail "eveda-batch links a Qt library"
grep -q 'libQt6Widgets' <<<"$(needed "$root/usr/bin/eveda")" || fail "eveda does not link Qt Widgets"
for program in eveda-batch eveda; do
  binary=$root/usr/bin/$program
  missing=$(ldd "$binary" | grep 'not found' || true)
  [[ -z "$missing" ]] || fail "$program: a library is missing: $missing"
  # Read whole first: grep -q would stop reading early, and pipefail count that as a failure.
  header=$(readelf -hlSdW --dyn-syms "$binary")
  [[ "$(awk '/^ *Type:/ { print $2; exit }' <<<"$header")" == DYN ]] || fail "$program is not PIE"
  grep -q GNU_RELRO <<<"$header" || fail "$program has no RELRO"
  grep -qE '\(BIND_NOW\)|\(FLAGS\).*NOW' <<<"$header" || fail "$program is not bound now"
  grep -q '__stack_chk_fail' <<<"$header" || fail "$program has no stack protector"
  grep -qE '__[a-z]+_chk@' <<<"$header" || fail "$program has no fortified calls"
  ! grep -qE '\] \.comment|\] \.symtab' <<<"$header" || fail "$program is not stripped"
done
echo "   both PIE, RELRO, bound now, stack protector, fortified, stripped"
desktop-file-validate "$root/usr/share/applications/eveda.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "the packaged AppStream metadata does not validate"
echo "   the desktop entry and the AppStream metadata validate"
# A desktop whose only folder handler is Eveda, its menu cache made as dpkg's trigger would:
# folders still open in no program by default.
update-desktop-database "$root/usr/share/applications"
folders=$(PATH=$root/usr/bin:$PATH LC_ALL=C XDG_DATA_DIRS=$root/usr/share XDG_DATA_HOME=$work/none \
  XDG_CONFIG_HOME=$work/none XDG_CONFIG_DIRS=$work/none gio mime inode/directory)
[[ $folders == "No default applications for"* && $folders != *eveda* ]] ||
  fail "gio mime inode/directory says: $folders"
echo "   gio mime inode/directory: no default application"
"$root/usr/bin/eveda-batch" -q "$work/samples" >/dev/null || fail "the packaged eveda-batch failed"

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
