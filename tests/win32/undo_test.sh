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
# nothing else changed by the way back. Then what a user without administrator rights could put
# in the way (trust): a wallpaper on a share (put back, never opened), a file planted by another
# user in a folder everyone may add files to, and a file cut short (both refused, nothing changed).
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

# What a user without administrator rights could put in Brisko's way, and what /undo does with
# it. Wine has one Unix account behind every token, so "another user" here is another Unix
# account: a file it owns reads as owned by ANONYMOUS LOGON, never by the administrators.
value_of() {  # value_of KEY NAME: the value's data as `reg query` shows it, or nothing
  wine reg query "$1" /v "$2" $view 2>/dev/null | tr -d '\r' |
    sed -n -E "s/^ +$2 +REG_[A-Z_]+ *(.*)$/\1/p"
}
optimize_quietly() {  # a run whose saved file is the only one in the folder
  rm -f "$c/ProgramData/Brisko"/*.reg
  wine "C:\\brisko\\$name" /optimize >/dev/null 2>&1 || { echo "FAULT: /optimize failed"; return 1; }
  wineserver -w
}
undo_with_trace() {  # undo_with_trace [ARGUMENTS]: /undo, with Wine's trace of file access
  local code=0
  WINEDEBUG=+file wine "C:\\brisko\\$name" /undo "$@" >"$work/undo.txt" 2>"$work/trace.txt" || code=$?
  wineserver -w
  return $code
}
opened() {  # opened PATH: how many traced calls of the last /undo named that file
  grep -c -F -e "L\"${1//\\/\\\\}\"" "$work/trace.txt" || true
}
# The newest saved file, changed by a Python expression of its text (`re` at hand), written
# under a name later than any run's: plant_file EXPRESSION [OWNER].
planted="$c/ProgramData/Brisko/brisko-before-optimize-2099-01-01-000000-utc.reg"
plant_file() {
  local saved
  saved=$(ls "$c/ProgramData/Brisko"/brisko-before-optimize-*.reg | head -1)
  python3 - "$saved" "$planted" "$1" <<'PY'
import re
import sys
text = open(sys.argv[1], encoding="utf-16", newline="").read()
text = eval(sys.argv[3], {"text": text, "re": re})
open(sys.argv[2], "w", encoding="utf-16", newline="").write(text)
PY
  [ -z "${2:-}" ] || chown "$2" "$planted"
}

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
    # A log name beyond the ANSI code page: the command line is read as typed. Wine's trace
    # of file access shows the seeded wallpaper, on a local drive, opened to be shown again
    # (the control for the wallpaper on a share below, which must not be).
    undo_with_trace /log 'C:\Łódź.log' || code=$?
    echo "$name /undo: exit code $code: $(tr -d '\r' <"$work/undo.txt")"
    [ "$code" = 0 ] || { echo "FAULT: /undo did not end with 0"; return 1; }
    [ -s "$c/Łódź.log" ] || { echo "FAULT: no log C:\Łódź.log: $(ls "$c")"; return 1; }
    [ "$(opened 'C:\windows\seed.bmp')" -gt 0 ] ||
      { echo "FAULT: the wallpaper on the local drive was not shown again"; return 1; }
  fi
  wineserver -w
  snapshot "$work/undone"
  python3 "$here/check_undo.py" "$work"
}

trust() {
  local fault=0 code share='\\host\share\x.bmp'
  # A wallpaper goes back into the registry; Brisko itself loads it only from a local drive,
  # never from a share, which would be handed the administrator's credentials.
  reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d "$share"
  optimize_quietly || return 1
  code=0
  undo_with_trace || code=$?
  echo "/undo with the wallpaper $share saved: exit code $code, opened in $(opened "$share") traced calls"
  [ "$code" = 0 ] || { echo "FAULT: /undo did not end with 0: $(cat "$work/undo.txt")"; fault=1; }
  [ "$(value_of 'HKCU\Control Panel\Desktop' Wallpaper)" = "$share" ] ||
    { echo "FAULT: the wallpaper $share did not go back into the registry"; fault=1; }
  [ "$(opened "$share")" = 0 ] || { echo "FAULT: Brisko opened the wallpaper on a share"; fault=1; }

  # The folder made so that every user may add files to it (as the common application data
  # folder's inherited list lets them), and a file planted there by another user, named later
  # than any run's, that would make RemoteRegistry start with Windows: /undo puts the folder's
  # list back and refuses the file; nothing changes.
  reg add 'HKLM\SYSTEM\CurrentControlSet\Services\RemoteRegistry' /v Start /t REG_DWORD /d 4
  wineserver -w
  chmod 0777 "$c/ProgramData/Brisko"
  plant_file 're.sub(r"(RemoteRegistry\]\r\n\"Start\"=)[^\r]*", r"\g<1>dword:00000002", text)' nobody
  grep -q 'dword:00000002' <(iconv -f UTF-16 -t UTF-8 "$planted") ||
    { echo "FAULT: no start type could be planted"; fault=1; }
  code=0
  undo_with_trace || code=$?
  echo "/undo with a file another user planted: exit code $code: $(tr -d '\r' <"$work/undo.txt")"
  [ "$code" = 2 ] || { echo "FAULT: the planted file was not refused (exit code $code)"; fault=1; }
  grep -q 'belongs to' "$work/undo.txt" || { echo "FAULT: the refusal does not say whose it is"; fault=1; }
  [ "$(value_of 'HKLM\SYSTEM\CurrentControlSet\Services\RemoteRegistry' Start)" = 0x4 ] ||
    { echo "FAULT: the planted start type was applied"; fault=1; }
  [ "$(( 0$(stat -c %a "$c/ProgramData/Brisko") & 02 ))" = 0 ] ||
    { echo "FAULT: the folder still lets everyone add files: $(stat -c %a "$c/ProgramData/Brisko")"; fault=1; }
  rm -f "$planted"

  # A saved file cut short at a key line, as a full disk or a copy that broke off leaves it:
  # refused whole, nothing put back.
  plant_file 'text[:text.index("\r\n[", text.index("\r\n[") + 1) + 2]'
  code=0
  undo_with_trace || code=$?
  echo "/undo with a file cut short: exit code $code: $(tr -d '\r' <"$work/undo.txt")"
  [ "$code" = 2 ] && grep -q 'it lacks' "$work/undo.txt" ||
    { echo "FAULT: a file cut short was not refused"; fault=1; }
  [ "$(value_of 'HKLM\SYSTEM\CurrentControlSet\Services\RemoteRegistry' Start)" = 0x4 ] ||
    { echo "FAULT: a file cut short changed a setting"; fault=1; }
  return $fault
}

status=0
round_trip undo || status=1
round_trip regedit || status=1
trust || status=1
exit $status
