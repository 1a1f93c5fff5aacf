#!/usr/bin/env bash
# The installer of one program in the sandbox prefix: a silent install puts the program into
# Program Files with a Start-menu shortcut and an uninstall entry; the silent uninstall takes
# them away. The 32-bit installer on 64-bit Windows installs, as every 32-bit installer does,
# into Program Files (x86) and the 32-bit view of the registry; the 64-bit one into the
# native Program Files and the 64-bit view. In a signed release (BRISKO_SIGN_CA names the
# certificate), what it installed is signed too: the program and the uninstaller.
#   installer_test.sh RELEASE_DIR brisko.exe|brisko64.exe
set -euo pipefail
release=$1
program=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"
: "${WINEPREFIX:?run through scripts/test, which makes the sandbox}"
[ -d "$WINEPREFIX/drive_c" ] && [ ! -e "$WINEPREFIX/dosdevices/z:" ] || { echo "no sandbox prefix, or it has a z: drive; refusing"; exit 1; }
detect_wine
c=$WINEPREFIX/drive_c
check() { if "$@"; then echo "ok: ${*: -1}"; else echo "FAILED: $*"; exit 1; fi; }

arch=win32 folder="Program Files" view="" other=""
[ "$program" = brisko.exe ] || arch=win64
if [ "$BRISKO_PREFIX" != xp32 ]; then
  if [ "$arch" = win32 ]; then
    folder="Program Files (x86)" view=/reg:32 other=/reg:64
  else
    view=/reg:64 other=/reg:32
  fi
fi
setup=$(setup_name "$arch")
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisko'
echo "$setup in the $BRISKO_PREFIX prefix: expects C:\\$folder\\Brisko\\$program"

mkdir -p "$c/tests"
cp "$release/$setup" "$c/tests/setup.exe"
cd "$c/tests"
wine 'C:\tests\setup.exe' /S
installed="$c/$folder/Brisko"
check cmp -s "$release/$program" "$installed/$program"
check test -f "$installed/uninstall.exe"
shortcut=$(find "$c" -path '*Brisko/Brisko.lnk' | head -1)
check test -n "$shortcut"
undo=$(find "$c" -path '*Brisko/Undo the last Optimize.lnk' | head -1)
check test -n "$undo"
# The shortcut's arguments, in the 8-bit or the UTF-16 form a shell link may keep them in.
check env LC_ALL=C grep -a -q -P '/undo /ask|/\x00u\x00n\x00d\x00o\x00 \x00/\x00a\x00s\x00k' "$undo"
if [ -n "${BRISKO_SIGN_CA:-}" ]; then
  for file in "$program" uninstall.exe; do
    check osslsigncode verify -CAfile "$BRISKO_SIGN_CA" -in "$installed/$file"
  done
fi
# shellcheck disable=SC2086
check grep -q "$BRISKO_VERSION" <(wine reg query "$key" /v DisplayVersion $view)
if [ -n "$other" ] && wine reg query "$key" "$other" >/dev/null 2>&1; then
  echo "FAILED: the uninstall entry is in the other view of the registry ($other) too"; exit 1
fi
# The uninstaller hands over to a copy of itself in the temp folder: wait for every process.
wine "C:\\$folder\\Brisko\\uninstall.exe" /S
wineserver -w
check test ! -e "$installed/$program"
check test ! -e "$shortcut"
check test ! -e "$undo"
# shellcheck disable=SC2086
if wine reg query "$key" $view >/dev/null 2>&1; then
  echo "FAILED: the uninstall entry is still there"; exit 1
fi
if [ -e "$installed" ]; then
  echo "FAILED: $installed is still there, holding: $(ls -A "$installed" | tr '\n' ' ')"; exit 1
fi
echo "ok: $installed is gone"
echo "installer: all checks passed"
