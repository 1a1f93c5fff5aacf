#!/usr/bin/env python3
"""Checks the log of one `brisko.exe /optimize /log FILE` against the reviewed record of what
a run does (tests/fixtures/run_effects.txt): every line is JSON; it names each of the 74 lines
as started and with its exit code, each of the 49 values as written, the clean-up results,
and ends with exit code 0. Usage: check_run_log.py LOG RECORD. Exits 1 on a fault."""
import json
import re
import sys
from pathlib import Path

log_path, catalogue_path = Path(sys.argv[1]), Path(sys.argv[2])
faults = []
# The version of project() in the top CMakeLists.txt, where it is defined once.
version = re.search(r"project\(brisko VERSION ([0-9.]+)",
                    (Path(__file__).resolve().parents[2] / "CMakeLists.txt").read_text()).group(1)
ROOTS = {0x80000001: "HKEY_CURRENT_USER", 0x80000002: "HKEY_LOCAL_MACHINE",
         0x80000003: "HKEY_USERS"}

lines, values = [], []
for entry in catalogue_path.read_text().splitlines():
    if entry.startswith("LINE "):
        lines.append(entry[5:])
    elif entry.startswith("VALUE "):
        root, key, name, kind, data = entry[6:].split("|")
        values.append((ROOTS[int(root, 16)] + "\\" + key, name,
                       "REG_SZ" if kind == "1" else "REG_DWORD",
                       data if kind == "1" else int(data)))

raw = log_path.read_bytes()
records = []
for number, text in enumerate(raw.decode("utf-8").split("\r\n")[:-1], 1):
    try:
        records.append(json.loads(text))
    except ValueError as error:
        faults.append("line %d is not JSON (%s): %r" % (number, error, text[:80]))
if not raw.endswith(b"\r\n"):
    faults.append("the log does not end with a complete line")


def of(event):
    return [r for r in records if r.get("event") == event]


start = of("start")
if len(start) != 1 or records[0] is not start[0]:
    faults.append("the log does not begin with one start record")
elif not (start[0].get("windows") and start[0].get("version") == version
          and "computer" in start[0] and "user" in start[0]):
    faults.append("the start record lacks the Windows version or the names: %s" % start[0])

# The settings the run replaces are saved before its first line, and the log names the file.
backup = of("backup")
if (len(backup) != 1 or records.index(backup[0]) != 1 or backup[0].get("result") != "saved"
        or not re.search(r"\\Brisko\\brisko-before-optimize-[0-9-]+-utc(-[2-9])?\.reg$",
                          backup[0].get("file", ""))):
    faults.append("no record of the saved settings right after the start record: %s" % backup)

started = [(r["number"], r["line"]) for r in of("line") if r.get("result") == "started"]
if started != list(enumerate(lines, 1)):
    faults.append("%d lines logged as started, expected the catalogue's %d in order"
                  % (len(started), len(lines)))
exits = {r["number"]: r for r in of("exit")}
for number, line in enumerate(lines, 1):
    record = exits.get(number)
    if record is None or record.get("line") != line:
        faults.append("no exit record for line %d: %s" % (number, line))
    elif record.get("result") != "ended" or not isinstance(record.get("exitCode"), int):
        faults.append("line %d has no exit code: %s" % (number, record))

logged = [(r["key"], r["name"], r["type"], r["data"]) for r in of("value")
          if r.get("result") == "written"]
if logged != values:
    faults.append("%d values logged as written, expected the catalogue's %d in order"
                  % (len(logged), len(values)))

for event, result in (("wallpaper", "removed"), ("clipboard", "emptied"),
                      ("recycle bin", "emptied"), ("url history", "cleared")):
    if [r.get("result") for r in of(event)] != [result]:
        faults.append("%s: expected one record '%s', found %s" % (event, result, of(event)))
for record in of("step ended"):
    faults.append("a step ended early: %s" % record)

end = of("end")
if len(end) != 1 or records[-1] is not end[0] or end[0].get("exitCode") != 0:
    faults.append("the log does not end with one end record of exit code 0: %s" % end)

for fault in faults:
    print("FAULT:", fault)
print("run log %s: %d records, %d lines with exit codes, %d values: %s"
      % (log_path.name, len(records), len(exits), len(logged),
         "all checks passed" if not faults else "%d faults" % len(faults)))
sys.exit(1 if faults else 0)
