#!/usr/bin/env bash
# /audit, end to end, in a fresh sandbox prefix of its own (of the flavour in BRISKO_PREFIX):
#   fresh      a prefix no run has touched: exit code 1, every setting a run would change
#              listed, in the run's order
#   during     /audit while /optimize runs: 1618, and no log
#   optimized  after that run, with the start types of the installed services set as the
#              service manager would set them (Wine's sc does not): 0
#   changed    one value changed with reg add: 1, naming that value alone
#   undone     after /undo: 1 again, each setting in the state it was in at "fresh"
#   notice     started as from the desktop, with no console: its message box says the summary
#              and where the details are
# check_audit.py holds each audit's log (JSON lines with the documented fields), its lines and
# its summary to the prefix's registry files as they were when it ran, read without the
# program, and to the reviewed record of a run. Each audit must leave the registry and drive C:
# as they were, but for its log, and start no process.
#   audit_test.sh PROGRAM
set -euo pipefail
program=$1  # brisko.exe or brisko64.exe, with brisko-driver.exe of its build beside it
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
cp "$here/../fixtures/run_effects.txt" "$work/catalogue.txt"
cd "$c/brisko"
driver() { wine 'C:\brisko\brisko-driver.exe' "$@"; }

# The view the run writes to: the 64-bit one in a 64-bit prefix.
view=""
[ "$BRISKO_PREFIX" = xp32 ] || view=/reg:64
reg() { wine reg "$@" $view /f >/dev/null; }

snapshot() {
  mkdir -p "$1"
  cp "$WINEPREFIX"/system.reg "$WINEPREFIX"/user.reg "$WINEPREFIX"/userdef.reg "$1/"
  (cd "$c" && find . -type f -print0 | sort -z | xargs -0 md5sum) > "$1/files.txt"
}

# audit STAGE EXIT_CODE [check_audit.py options]: one audit, with its log and Wine's process
# trace, checked against the registry as it was and for what it changed.
audit() {
  local stage=$1 expected=$2 code=0 faults=0
  shift 2
  wineserver -w  # the registry files hold what the prefix holds
  snapshot "$work/$stage-before"
  WINEDEBUG=trace+process wine "C:\\brisko\\$name" /audit /log "C:\\audit-$stage.log" \
    >"$work/$stage.txt" 2>"$work/$stage-trace.log" || code=$?
  echo "$name /audit ($stage): exit code $code: $(tail -1 "$work/$stage.txt" | tr -d '\r')"
  [ "$code" = "$expected" ] || { echo "FAULT: expected exit code $expected"; return 1; }
  wineserver -w
  snapshot "$work/$stage-after"
  cp "$c/audit-$stage.log" "$work/" || return 1
  python3 "$here/compare_snapshots.py" "$work" --before "$stage-before" --after "$stage-after" \
    --unchanged --new-file "./audit-$stage.log" >"$work/$stage-unchanged.txt" || faults=1
  tail -1 "$work/$stage-unchanged.txt"
  grep '^FAULT' "$work/$stage-unchanged.txt" || true
  # The trace names every process started in the prefix meanwhile: the audit starts none, and
  # only Wine's own services start with the prefix's wineserver.
  if grep 'CreateProcessInternalW app' "$work/$stage-trace.log" |
     grep -v -E '\\(services|winemenubuilder|plugplay|explorer|rpcss|svchost|winedevice)\.exe' |
     grep .; then
    echo "FAULT: the audit started a process (above)"
    faults=1
  fi
  python3 "$here/check_audit.py" "$work" "$stage" "$expected" "$@" || faults=1
  return $faults
}

status=0
audit fresh 1 || status=1

# A run, and an audit while it runs: the driver starts /optimize as a deployment agent does and,
# once its log exists, /audit, which must end with 1618 while the run goes on and write no log.
driver unattended "C:\\brisko\\$name" 'C:\optimize.log' /audit || status=1
wineserver -w
# What the service manager does with the run's `sc config ... start= disabled`, for the
# services this prefix has.
for service in $(cd "$here" && python3 -c '
import re, sys
from pathlib import Path
from wine_registry import parse_keys
keys = parse_keys(Path(sys.argv[1]))
for line in Path(sys.argv[2]).read_text().splitlines():
    match = re.match(r"LINE cmd /c sc config (\S+) start= disabled$", line)
    if match and "system\\currentcontrolset\\services\\" + match.group(1).lower() in keys:
        print(match.group(1))
' "$WINEPREFIX/system.reg" "$work/catalogue.txt"); do
  echo "the service manager disables $service"
  reg add "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$service" /v Start /t REG_DWORD /d 4
done
audit optimized 0 || status=1

reg add 'HKCU\Control Panel\Desktop' /v MenuShowDelay /t REG_SZ /d 400
audit changed 1 --only MenuShowDelay || status=1

code=0
wine "C:\\brisko\\$name" /undo >"$work/undo.txt" 2>&1 || code=$?
echo "$name /undo: exit code $code: $(tr -d '\r' <"$work/undo.txt")"
[ "$code" = 0 ] || { echo "FAULT: /undo did not end with 0"; status=1; }
audit undone 1 --like fresh || status=1

# As from the desktop: no console, no output taken. A person sees the summary in a box.
driver notice "C:\\brisko\\$name" /audit /log 'C:\audit-notice.log' | tr -d '\r' \
  >"$work/notice.txt" || status=1
cat "$work/notice.txt"
summary=$(tail -1 "$work/undone.txt" | tr -d '\r' | sed 's/^Brisko \/audit: exit code 1; //')
grep -qF "message box: Brisko checked the settings it makes: $summary" "$work/notice.txt" &&
  grep -qF 'Each setting is listed in C:\audit-notice.log.' "$work/notice.txt" &&
  grep -qx 'exit code 1' "$work/notice.txt" ||
  { echo "FAULT: the message box did not say the summary and where the details are"; status=1; }
exit $status
