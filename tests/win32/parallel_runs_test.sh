#!/usr/bin/env bash
# A room of machines: eight sandbox prefixes, each with its own wineserver, run
# `PROGRAM /optimize /log C:\brisko.log` at the same time; every run must exit with 0 and
# leave a complete log. The prefixes are copies of one fresh sandbox (a wineboot each would
# cost minutes); a copy keeps its own prefix, home and XDG folders, and its z: stays removed.
#   parallel_runs_test.sh PROGRAM [MACHINES]
set -euo pipefail
program=$1  # brisko.exe or brisko64.exe
machines=${2:-8}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"
: "${DISPLAY:?needs the display that scripts/test provides}"

make_sandbox || exit 1
room=$(mktemp -d "${TMPDIR:-/tmp}/brisko-room.XXXXXX")
cleanup() {
  for copy in "$room"/machine-*; do
    [ -d "$copy/prefix" ] && WINEPREFIX=$copy/prefix wineserver -k >/dev/null 2>&1 || true
  done
  rm -rf "$room"
  drop_sandbox
}
trap cleanup EXIT
name=$(basename "$program")
cp "$program" "$WINEPREFIX/drive_c/brisko/"
# What each run must log, as reviewed by hand: never taken from the program's own tables.
cp "$here/../fixtures/run_effects.txt" "$room/catalogue.txt"

# Each machine's environment, as make_sandbox sets it up, pointed into its own copy.
machine() {  # machine N COMMAND...
  local copy=$room/machine-$1
  shift
  env WINEPREFIX="$copy/prefix" HOME="$copy/home" XDG_CONFIG_HOME="$copy/home/.config" \
    XDG_DATA_HOME="$copy/home/.local/share" XDG_CACHE_HOME="$copy/home/.cache" \
    XDG_RUNTIME_DIR="$copy/run" XDG_DATA_DIRS="$copy/share" XDG_CONFIG_DIRS="$copy/etc" "$@"
}
for n in $(seq "$machines"); do
  cp -a "$BRISKO_SANDBOX" "$room/machine-$n"
  copy=$room/machine-$n
  [ ! -e "$copy/prefix/dosdevices/z:" ] || { echo "FAULT: machine $n has a z: drive"; exit 1; }
  # Wine links the profile's Desktop, Documents... to the first sandbox's home; a run writes
  # none of them (its recycle bin follows XDG_DATA_HOME, each copy's own). Nothing else may
  # lead back.
  if find "$copy" -type l -lname "$BRISKO_SANDBOX*" ! -lname "$BRISKO_SANDBOX/home" | grep -q .; then
    echo "FAULT: machine $n links back into the sandbox it was copied from"; exit 1
  fi
done

declare -A runs
for n in $(seq "$machines"); do
  (cd "$room/machine-$n/prefix/drive_c/brisko" &&
    machine "$n" "$BRISKO_WINE" "C:\\brisko\\$name" /optimize /log 'C:\brisko.log' \
      > "$room/output-$n.txt" 2>&1) &
  runs[$n]=$!
done

faults=0
for n in $(seq "$machines"); do
  code=0
  wait "${runs[$n]}" || code=$?
  machine "$n" wineserver -w  # every line the run started has ended
  echo "machine $n: exit code $code: $(grep -a 'Brisko /optimize' "$room/output-$n.txt" | tr -d '\r')"
  [ "$code" = 0 ] || faults=$((faults + 1))
  python3 "$here/check_run_log.py" "$room/machine-$n/prefix/drive_c/brisko.log" \
    "$room/catalogue.txt" || faults=$((faults + 1))
done
echo "parallel runs: $machines machines, $([ "$faults" = 0 ] && echo "all checks passed" || echo "$faults faults")"
[ "$faults" = 0 ]
