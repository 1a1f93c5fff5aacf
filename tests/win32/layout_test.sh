#!/usr/bin/env bash
# Both windows at each DPI given, in a fresh sandbox prefix of its own: the DPI is set in the
# prefix's registry (Wine takes it from LogPixels) before anything starts, then the black-box
# layout test and the in-process toolkit test's fonts and pictures run at that DPI.
#   layout_test.sh PROGRAM TESTS_DIR DPI...
set -uo pipefail
program=$1  # brisko.exe or brisko64.exe
tests=$2    # the folder of layout_test.exe and toolkit_test.exe
shift 2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"
: "${DISPLAY:?needs the display that scripts/test provides}"

make_sandbox || exit 1
trap drop_sandbox EXIT
cp "$program" "$tests/layout_test.exe" "$tests/toolkit_test.exe" \
  "$WINEPREFIX/drive_c/brisko/"
cd "$WINEPREFIX/drive_c/brisko"

quiet() {  # runs a test program without Wine's own notes
  "$@" 2>&1 | grep -v -E '^[0-9a-f]{4}:fixme:'
  return "${PIPESTATUS[0]}"
}

failed=0
for dpi in "$@"; do
  say "both windows at $dpi DPI"
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w  # every process of the prefix reads the DPI as it starts
  BRISKO_EXPECTED_DPI=$dpi quiet wine 'C:\brisko\layout_test.exe' || failed=1
  quiet wine 'C:\brisko\toolkit_test.exe' --gtest_filter='*Fonts*:*Pictures*' || failed=1
  wineserver -w
done
exit "$failed"
