#!/usr/bin/env bash
# Fails when a source file includes a header from a folder its own folder may not use, so
# that dependencies keep pointing down. The allowed edges are written here and only here;
# README.md draws them. "Qt" stands for Qt's own headers.
# Usage: check_layers.sh [ROOT]   (default: the project this script belongs to)
set -euo pipefail -o noglob
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# folder: the folders its files may include from besides its own ("*": any folder).
allowed='
app:                 main_window comdlg join pyramid pictures text formats dsmod gtfile platform/stop_signals platform/qt platform/toolkit platform/bmp_loader platform/gdi platform/bmp_format platform Qt
main_window:         join dsmod gtfile platform/toolkit platform/bmp_loader platform/gdi platform/bmp_format platform
join:                pyramid dsmod pictures formats platform/workers platform/stop_signals platform/bmp_loader platform/gdi platform/bmp_format platform
pyramid:             dsmod formats platform/workers platform/stop_signals platform/bmp_format platform
dsmod:               formats platform/workers platform/stop_signals platform/gdi platform/bmp_format platform
formats:             formats/webp formats/tiff platform/workers platform/bmp_loader platform/gdi platform/bmp_format platform
formats/webp:        formats platform/bmp_loader platform/bmp_format platform
formats/tiff:        formats platform/bmp_loader platform/bmp_format platform
formats/gif:         formats platform/bmp_loader platform/bmp_format platform
formats/heif:        formats platform/bmp_loader platform/bmp_format platform
formats/sources:     formats/webp formats/tiff formats/gif formats/heif formats platform/bmp_loader platform/bmp_format platform
gtfile:              platform
getimage:            platform/bmp_loader platform/gdi platform/bmp_format platform
comdlg:              Qt
tools:               dsmod formats platform/gdi platform/bmp_format platform
platform/qt:         platform/toolkit platform/gdi platform/bmp_format platform Qt
platform/toolkit:    platform/gdi platform/bmp_format platform
platform/bmp_loader: platform/gdi platform/bmp_format platform
platform/workers:    platform/stop_signals
platform/gdi:        platform/bmp_format platform
platform/bmp_format:
text:                platform
pictures:            platform
platform/stop_signals:
platform:
tests:               *
bench:               *
fuzz:                formats platform/bmp_loader platform/gdi platform/bmp_format platform tests
'

declare -A uses=()
folders=()
while IFS=: read -r folder targets; do
  [[ -n $folder ]] || continue
  uses[$folder]=" $(echo $targets) "
  folders+=("$folder")
done <<<"$allowed"

# The deepest listed folder holding `path`, or nothing.
folder_of() {
  local path=$1 best="" folder
  for folder in "${folders[@]}"; do
    if [[ $path == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; fi
  done
  echo "$best"
}

failures=0
fail() {
  echo "check_layers: $1" >&2
  failures=$((failures + 1))
}

while IFS= read -r file; do
  file=${file#./}
  from=$(folder_of "$file")
  if [[ -z $from ]]; then
    fail "$file is in no listed folder"
    continue
  fi
  while IFS= read -r line; do
    if [[ $line =~ ^#include\ *\<Q ]]; then
      header=${line#*<}; header=${header%%>*}; to=Qt
    elif [[ $line =~ ^#include\ *\"([^\"]+)\" ]]; then
      header=${BASH_REMATCH[1]}
      # A name without a folder is beside the including file.
      [[ $header == */* ]] || header=$(dirname "$file")/$header
      to=$(folder_of "$header")
    else
      continue
    fi
    if [[ -z $to ]]; then
      fail "$file includes $header, which is in no listed folder"
    elif [[ $to != "$from" && ${uses[$from]} != *" * "* && ${uses[$from]} != *" $to "* ]]; then
      fail "$file includes $header ($from may not use $to)"
    fi
  done < <(grep -E '^#include' "$file" || true)
done < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)

if ((failures > 0)); then
  echo "check_layers: $failures include(s) against the allowed edges" >&2
  exit 1
fi
echo "check_layers: every include follows the allowed edges"
