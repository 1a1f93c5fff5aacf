#!/usr/bin/env bash
# The way back, end to end, in a fresh sandbox prefix of its own (of the flavour in
# BRISKO_PREFIX): seed some of the settings a run replaces with other data and other types,
# leave others absent, install two of the services it disables; snapshot the registry; run
# `PROGRAM /optimize`; stand in for the service manager, which Wine's sc does not reach, by
# disabling those services; then put everything back, and snapshot again. Twice, each way
# back from a run of its own:
#   undo     PROGRAM /undo, the newest saved file
#   regedit  Wine's own regedit /s on the saved file: a program we did not write must read our
#            file the same way (it is how a user with no Brisko left gets back)
# check_undo.py then compares: every setting as before (absent ones absent again), and
# nothing else changed by the way back.
#   undo_test.sh PROGRAM
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"
: "${DISPLAY:?needs the display that scripts/test provides}"

make_sandbox || exit 1
trap drop_sandbox EXIT
c=$WINEPREFIX/drive_c
work=$BRISKO_SANDBOX/work
mkdir -p "$work"
name=$(basename "$program")
cp "$program" "$c/brisko/"
cp "$here/../fixtures/run_effects.txt" "$work/catalogue.txt"
cd "$c/brisko"

# The view the run writes to: the 64-bit one in a 64-bit prefix.
view=""
[ "$BRISKO_PREFIX" = xp32 ] || view=/reg:64
reg() { wine reg "$@" $view /f >/dev/null; }
# Other data and other types than the run writes, and text beyond ASCII.
reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\VisualEffects' \
  /v VisualFXSetting /t REG_SZ /d 'Łódź "quoted" \back\slash'
reg add 'HKCU\Control Panel\Desktop' /v MenuShowDelay /t REG_SZ /d 400
reg add 'HKLM\SYSTEM\CurrentControlSet\Control\FileSystem' /v NtfsDisable8dot3NameCreation \
  /t REG_BINARY /d 0909
reg add 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management' \
  /v LargeSystemCache /t REG_EXPAND_SZ /d '%SystemRoot%\cache'
reg add 'HKU\.DEFAULT\AppEvents\Schemes' /v Default /t REG_MULTI_SZ /d 'one\0two'
reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d 'C:\windows\seed.bmp'
# Two of the services the run disables, installed with other start types.
reg add 'HKLM\SYSTEM\CurrentControlSet\Services\RemoteRegistry' /v Start /t REG_DWORD /d 2
reg add 'HKLM\SYSTEM\CurrentControlSet\Services\Themes' /v Start /t REG_DWORD /d 3
wineserver -w

snapshot() {
  mkdir -p "$1"
  cp "$WINEPREFIX"/system.reg "$WINEPREFIX"/user.reg "$WINEPREFIX"/userdef.reg "$1/"
}
snapshot "$work/before"

# One run and its way back; the snapshots of the run and of the way back go to work/optimized
# and work/undone, for check_undo.py.
round_trip() {  # round_trip undo|regedit
  local how=$1 code=0 saved
  rm -rf "$work/optimized" "$work/undone" "$c/ProgramData/Brisko"/*.reg
  wine "C:\\brisko\\$name" /optimize /log 'C:\optimize.log' >"$work/optimize.txt" 2>&1 || code=$?
  echo "$name /optimize: exit code $code: $(tr -d '\r' <"$work/optimize.txt")"
  [ "$code" = 0 ] || { echo "FAULT: the run did not end with 0"; return 1; }
  wineserver -w
  # What the service manager does with the run's `sc config ... start= disabled`.
  reg add 'HKLM\SYSTEM\CurrentControlSet\Services\RemoteRegistry' /v Start /t REG_DWORD /d 4
  reg add 'HKLM\SYSTEM\CurrentControlSet\Services\Themes' /v Start /t REG_DWORD /d 4
  wineserver -w
  snapshot "$work/optimized"

  saved=$(cd "$c/ProgramData/Brisko" && ls brisko-before-optimize-*.reg)
  [ "$(echo "$saved" | wc -l)" = 1 ] || { echo "FAULT: expected one saved file: $saved"; return 1; }
  if [ "$how" = regedit ]; then
    # On 64-bit Windows a double-click opens the 64-bit Registry Editor, which writes the
    # 64-bit view. Wine's 32-bit loader would start its 32-bit copy (which writes Wow6432Node),
    # so in a 64-bit prefix the 64-bit loader starts it.
    if [ "$BRISKO_PREFIX" = xp32 ]; then
      wine regedit /s "C:\\ProgramData\\Brisko\\$saved"
    else
      WINELOADER=$BRISKO_WINE64_LOADER "$BRISKO_WINE64_LOADER" regedit /s \
        "C:\\ProgramData\\Brisko\\$saved"
    fi
    echo "regedit /s $saved: done"
  else
    code=0
    # A log name beyond the ANSI code page: the command line is read as typed.
    wine "C:\\brisko\\$name" /undo /log 'C:\Łódź.log' >"$work/undo.txt" 2>&1 || code=$?
    echo "$name /undo: exit code $code: $(tr -d '\r' <"$work/undo.txt")"
    [ "$code" = 0 ] || { echo "FAULT: /undo did not end with 0"; return 1; }
    [ -s "$c/Łódź.log" ] || { echo "FAULT: no log C:\Łódź.log: $(ls "$c")"; return 1; }
  fi
  wineserver -w
  snapshot "$work/undone"
  python3 "$here/check_undo.py" "$work"
}

status=0
round_trip undo || status=1
round_trip regedit || status=1
exit $status
