#!/usr/bin/env bash
# The whole run, end to end, in a fresh sandbox prefix of its own, of the flavour in
# BRISKO_PREFIX (32-bit XP, or 64-bit Windows 10 or 7, where brisko.exe runs under WOW64 and
# brisko64.exe natively):
# snapshot the registry and drive C:, start the run out of a folder that also holds planted
# copies of the tools the lines name, wait until every process it started has ended,
# snapshot again and compare. Wine's process trace shows the lines from outside; a tool
# planted only in the native system folder shows that they ran there. How the run starts:
#   button      the program as from the desktop, through the disclaimer, "Optimize" pressed,
#               then "Defrag" and "Default Settings" (Yes)
#   unattended  PROGRAM /optimize /log C:\brisko.log as a deployment agent starts it, after
#               command lines that must be refused without changing anything
#   whole_run_test.sh PROGRAM TESTS_DIR [button|unattended]
set -euo pipefail
program=$1  # brisko.exe or brisko64.exe, with brisko-driver.exe of its build beside it
tests=$2    # the folder of the Wine test programs
how=${3:-button}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"
: "${DISPLAY:?needs the display that scripts/test provides}"

make_sandbox || exit 1
trap drop_sandbox EXIT
c=$WINEPREFIX/drive_c
work=$BRISKO_SANDBOX/work
mkdir -p "$work"
name=$(basename "$program")
cp "$program" "$(dirname "$program")/brisko-driver.exe" "$c/brisko/"
cd "$c/brisko"  # also brisko.exe's current folder, as when Explorer starts it
driver() { wine 'C:\brisko\brisko-driver.exe' "$@"; }
# What the run must do, as reviewed by hand: never taken from the program's own tables.
cp "$here/../fixtures/run_effects.txt" "$work/catalogue.txt"

# What a run must clean, and what it must leave alone.
mkdir -p "$c/windows/temp/keep" "$c/windows/prefetch" "$c/data"
echo one > "$c/windows/temp/one.tmp"
echo two > "$c/windows/temp/two.log"
echo inner > "$c/windows/temp/keep/inner.tmp"
echo prefetch > "$c/windows/prefetch/APP-0001.pf"
echo keep > "$c/data/keep.txt"

# Tools planted beside brisko.exe, in its current folder: none may ever run. Each leaves
# C:\markers\<name>.ran when it does.
mkdir -p "$c/markers"
cp "$tests/planted_tool.exe" "$c/brisko/sc.exe"
for tool in net defrag fsutil sfc; do
  printf '@echo %%0 %%*>> C:\\markers\\%s.bat.ran\r\n' "$tool" > "$c/brisko/$tool.bat"
done
# A tool that lies only in the native system folder (Wine has no DISKPERF): a line reaches it
# only through an interpreter that sees that folder, which on 64-bit Windows is the native
# one. Wine keeps the native folder as system32 and the 32-bit one as syswow64.
cp "$tests/planted_tool.exe" "$c/windows/system32/diskperf.exe"
wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d 'C:\windows\seed.bmp' /f >/dev/null
driver seed
wineserver -w

# The settings a run replaces, saved before its first change and named in universal time (Wine's
# common application data folder is C:\ProgramData whatever Windows the prefix reports).
saved_settings='\./ProgramData/Brisko/brisko-before-optimize-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}-utc\.reg'

snapshot() {
  mkdir -p "$1"
  cp "$WINEPREFIX"/system.reg "$WINEPREFIX"/user.reg "$WINEPREFIX"/userdef.reg "$1/"
  (cd "$c" && find . -type f -print0 | sort -z | xargs -0 md5sum) > "$1/files.txt"
}

if [ "$how" = unattended ]; then
  # A log that is another file's second name (a hard link someone who may write the log's
  # folder made) must be refused, and that file left as it is.
  mkdir -p "$c/logs"
  echo "not a log" > "$c/data/victim.txt"
  ln "$c/data/victim.txt" "$c/logs/linked.log"
  # Not understood, or a log that cannot be written or is refused: exit code 2 before anything
  # changes.
  snapshot "$work/seeded"
  for arguments in "/optimize /bogus" "/optimize /log" "-optimize extra" "/log C:\\brisko.log" \
                   "/optimize /log C:\\no\\such\\folder\\brisko.log" \
                   "/optimize /log C:\\logs\\linked.log"; do
    code=0
    # shellcheck disable=SC2086
    wine "C:\\brisko\\$name" $arguments > "$work/refused.txt" 2>&1 || code=$?
    echo "$name $arguments: exit code $code: $(head -1 "$work/refused.txt" | tr -d '\r')"
    [ "$code" = 2 ] || { echo "FAULT: expected exit code 2"; exit 1; }
  done
  wineserver -w
  snapshot "$work/before"
  python3 "$here/compare_snapshots.py" "$work" --before seeded --after before --unchanged

  WINEDEBUG=trace+process driver unattended "C:\\brisko\\$name" 'C:\brisko.log' \
    2> "$work/trace.log"
  driver check-clean
  wineserver -w  # every process the run started has ended
  snapshot "$work/after"
  python3 "$here/check_run_log.py" "$c/brisko.log" "$work/catalogue.txt"
  python3 "$here/compare_snapshots.py" "$work" --new-file ./brisko.log --no-buttons \
    --new-file-like "$saved_settings"
  exit
fi

snapshot "$work/before"
WINEDEBUG=trace+process driver launch "C:\\brisko\\$name" 2> "$work/trace.log"
driver wait-window disclaimer 60000
driver click disclaimer next
driver wait-window main 60000
driver optimize
driver check-clean
driver click main defrag
driver press main default-settings  # it asks first
driver answer yes
driver click main exit
wineserver -w  # every process the run started has ended
snapshot "$work/after"

python3 "$here/compare_snapshots.py" "$work" --new-file-like "$saved_settings"
