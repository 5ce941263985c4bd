#!/usr/bin/env bash
# check_layers.sh on a small tree with one wrong include of each kind: every one is named,
# the right ones are not, and the check fails.
set -euo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check_layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

put() {  # path line...
  mkdir -p "$tree/$(dirname "$1")"
  local path=$1
  shift
  printf '%s\n' "$@" >"$tree/$path"
}
put dsmod/canvas.cpp '#include "dsmod/dsmod.h"' '#include "canvas_layout.h"' \
  '#include "platform/gdi/gdi.h"' '#include <vector>'
put main_window/form1.cpp '#include "platform/qt/qt_toolkit.h"' '#include "dsmod/dsmod.h"'
put platform/gdi/bitmap.cpp '#include "tests/support/bmp_builder.h"'
put getimage/read_bmp_info.cpp '#include <QString>'
put platform/qt/qt_toolkit.cpp '#include "comdlg/comdlg.h"' '#include <QWidget>'
put tools/samples.cpp '#include "tests/support/bmp_builder.h"'
put tests/gdi/fill_test.cpp '#include "platform/gdi/fill.h"' '#include "tests/gdi/raster_support.h"'
put stray/thing.cpp '#include <cstdio>'

expected='check_layers: getimage/read_bmp_info.cpp includes QString (getimage may not use Qt)
check_layers: main_window/form1.cpp includes platform/qt/qt_toolkit.h (main_window may not use platform/qt)
check_layers: platform/gdi/bitmap.cpp includes tests/support/bmp_builder.h (platform/gdi may not use tests)
check_layers: platform/qt/qt_toolkit.cpp includes comdlg/comdlg.h (platform/qt may not use comdlg)
check_layers: stray/thing.cpp is in no listed folder
check_layers: tools/samples.cpp includes tests/support/bmp_builder.h (tools may not use tests)
check_layers: 6 include(s) against the allowed edges'

status=0
actual=$(bash "$script" "$tree" 2>&1 >/dev/null) || status=$?
if [[ $status -ne 1 || $actual != "$expected" ]]; then
  echo "exit status $status (expected 1); messages:"
  echo "$actual"
  echo "expected:"
  echo "$expected"
  exit 1
fi
echo "check_layers_test: passed"
