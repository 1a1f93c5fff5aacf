#!/usr/bin/env bash
# The installer in the sandbox prefix: a silent install puts brisko.exe into Program Files
# with a Start-menu shortcut and an uninstall entry; the silent uninstall takes them away.
set -euo pipefail
release=$1
: "${WINEPREFIX:?run through scripts/test, which makes the sandbox}"
[ -d "$WINEPREFIX/drive_c" ] && [ ! -e "$WINEPREFIX/dosdevices/z:" ] || { echo "no sandbox prefix, or it has a z: drive; refusing"; exit 1; }
c=$WINEPREFIX/drive_c
check() { if "$@"; then echo "ok: ${*: -1}"; else echo "FAILED: $*"; exit 1; fi; }

mkdir -p "$c/tests"
cp "$release/brisko-6.0.6-setup.exe" "$c/tests/setup.exe"
cd "$c/tests"
wine 'C:\tests\setup.exe' /S
installed="$c/Program Files/Brisko"
check cmp -s "$release/brisko.exe" "$installed/brisko.exe"
check test -f "$installed/uninstall.exe"
shortcut=$(find "$c" -path '*Brisko/Brisko.lnk' | head -1)
check test -n "$shortcut"
check grep -q 6.0.6 <(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisko' /v DisplayVersion)

# The uninstaller hands over to a copy of itself in the temp folder: wait for every process.
wine 'C:\Program Files\Brisko\uninstall.exe' /S
wineserver -w
check test ! -e "$installed/brisko.exe"
check test ! -e "$shortcut"
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisko' >/dev/null 2>&1; then
  echo "FAILED: the uninstall entry is still there"; exit 1
fi
check test ! -e "$installed"
echo "installer: all checks passed"
