#!/usr/bin/env python3
"""One /audit, held to the prefix's registry files as they were when it ran (read here, not by
the program) and to the reviewed record of what a run does (catalogue.txt): the state of each
of the 80 settings, its log (JSON lines, every field that docs/deployment.md documents, in its
order), the lines it printed and its summary, and its exit code.
Usage: check_audit.py WORK STAGE EXIT_CODE [--only NAME] [--like STAGE]
  WORK/STAGE-before/  the registry files when the audit ran; WORK/STAGE.txt its output;
  WORK/audit-STAGE.log its log (copied from the prefix); --only NAME: that value alone may
  differ; --like STAGE: each setting in the same state as in that stage's audit.
Prints what it found; exits 1 on a fault."""
import argparse
import json
import os
import re
import sys
from pathlib import Path

from wine_registry import entry, parse_keys, parse_reg

options = argparse.ArgumentParser()
options.add_argument("work")
options.add_argument("stage")
options.add_argument("exit_code", type=int)
options.add_argument("--only")
options.add_argument("--like")
options = options.parse_args()
work = Path(options.work)
faults = []
ROOTS = {0x80000001: "HKEY_CURRENT_USER", 0x80000002: "HKEY_LOCAL_MACHINE",
         0x80000003: "HKEY_USERS"}
view = "32-bit" if os.environ.get("BRISKO_PREFIX", "xp32") == "xp32" else "64-bit"

# The settings a run replaces, in the run's order, and what a run leaves in each, as Wine's
# registry files write it.
settings = []  # (kind, root, key, name, run type, run data, leaves)
lines = (work / "catalogue.txt").read_text().splitlines()
for line in lines:
    if line.startswith("VALUE "):
        root, key, name, kind, data = line[6:].split("|")
        if kind == "4":
            settings.append(("value", int(root, 16), key, name, "REG_DWORD", int(data),
                             "dword:%08x" % (int(data) & 0xFFFFFFFF)))
        else:
            settings.append(("value", int(root, 16), key, name, "REG_SZ", data, '"%s"' % data))
for line in lines:
    match = re.match(r"LINE cmd /c sc config (\S+) start= disabled$", line)
    if match:
        settings.append(("service", 0x80000002, "SYSTEM\\CurrentControlSet\\Services\\"
                         + match.group(1), "Start", "REG_DWORD", 4, "dword:00000004"))
settings.append(("wallpaper", 0x80000001, "Control Panel\\Desktop", "Wallpaper", "REG_SZ", "",
                 '""'))

snapshot = work / (options.stage + "-before")
files = {name: parse_reg(snapshot / name) for name in ("system.reg", "user.reg", "userdef.reg")}
system_keys = parse_keys(snapshot / "system.reg")


def state_of(setting):
    """The state the registry files say the setting is in, and what they hold."""
    kind, root, key, name, _, _, leaves = setting
    file, file_key, file_name = entry(root, key, name)
    held = files[file].get((file_key, file_name))
    if kind == "service" and file_key not in system_keys:
        return "not applicable", held
    if held is None:
        return ("as run" if kind == "wallpaper" else "absent"), held
    return ("as run" if held == leaves else "differs"), held


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(
        m.group(1), m.group(1)), text)


states = [state_of(s) for s in settings]
differing = [i for i, (state, _) in enumerate(states) if state in ("differs", "absent")]
expected_code = 1 if differing else 0
if expected_code != options.exit_code:
    faults.append("the registry says exit code %d, the test expects %d: %s"
                  % (expected_code, options.exit_code,
                     ["%s %s" % (settings[i][2], settings[i][3]) for i in differing][:5]))

# --- the log: JSON lines, CR LF, every field in its documented order
log_path = work / ("audit-%s.log" % options.stage)
raw = log_path.read_bytes()
if not raw.endswith(b"\r\n") or b"\n" in raw.replace(b"\r\n", b""):
    faults.append("the log's lines do not all end with CR LF")
records = []
for number, text in enumerate(raw.decode("utf-8").split("\r\n")[:-1], 1):
    try:
        records.append(json.loads(text))
    except ValueError as error:
        faults.append("log line %d is not JSON: %s" % (number, error))
TIME = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
for record in records:
    if list(record)[:2] != ["time", "event"] or not TIME.match(record["time"]):
        faults.append("a record without time and event first: %s" % record)
events = [r.get("event") for r in records]
if events != ["start"] + ["setting"] * len(settings) + ["end"]:
    faults.append("the log's records are %s, not start, %d settings, end"
                  % (sorted(set(events)), len(settings)))
else:
    if list(records[0])[2:] != ["program", "version", "windows", "computer", "user"]:
        faults.append("start record: %s" % records[0])
    counts = {"as run": 0, "differs": 0, "absent": 0, "not applicable": 0, "unreadable": 0}
    for number, (record, setting, (state, held)) in enumerate(
            zip(records[1:-1], settings, states), 1):
        kind, root, key, name, run_type, run, _ = setting
        counts[record.get("state")] = counts.get(record.get("state"), 0) + 1
        fields = ["time", "event", "number", "kind", "view", "root", "key", "name", "state"]
        if record.get("state") == "unreadable":
            fields += (["error"] if "error" in record else []) + ["reason"]
        elif "nowType" in record:
            fields += ["nowType", "now" if "now" in record else "nowBytes"]
        fields += ["runType", "run"]
        expected = {"number": number, "kind": kind, "view": view, "root": ROOTS[root],
                    "key": ROOTS[root] + "\\" + key, "name": name, "state": state,
                    "runType": run_type, "run": run}
        wrong = [f for f in expected if record.get(f) != expected[f]]
        if list(record) != fields or wrong:
            faults.append("setting %d (%s %s): %s; expected %s"
                          % (number, key, name, record, {f: expected[f] for f in wrong}))
        # What it holds now, as the registry file has it.
        if (held is None) != ("nowType" not in record) and state != "not applicable":
            faults.append("setting %d: now %s in the registry, %s in the log"
                          % (number, held, record.get("nowType")))
        elif held is not None and held.startswith("dword:"):
            if record.get("nowType") != "REG_DWORD" or record.get("now") != int(held[6:], 16):
                faults.append("setting %d: the registry holds %s, the log %s %s"
                              % (number, held, record.get("nowType"), record.get("now")))
        elif held is not None and re.fullmatch(r'"([^"\\]|\\[\\"])*"', held):
            if record.get("nowType") != "REG_SZ" or record.get("now") != unescape(held[1:-1]):
                faults.append("setting %d: the registry holds %s, the log %s %s"
                              % (number, held, record.get("nowType"), record.get("now")))
    end = records[-1]
    expected_end = {"exitCode": options.exit_code, "settings": len(settings),
                    "settingsAsRun": counts["as run"], "settingsDiffering": counts["differs"],
                    "settingsAbsent": counts["absent"],
                    "settingsNotApplicable": counts["not applicable"],
                    "settingsUnreadable": counts["unreadable"]}
    if {k: v for k, v in end.items() if k not in ("time", "event")} != expected_end:
        faults.append("end record %s, expected %s" % (end, expected_end))
    if options.like:
        other = [json.loads(t) for t in (work / ("audit-%s.log" % options.like)).read_text(
            encoding="utf-8").splitlines() if '"event":"setting"' in t]
        for mine, theirs in zip(records[1:-1], other):
            if mine["state"] != theirs["state"]:
                faults.append("setting %d is %s, was %s at %s" % (
                    mine["number"], mine["state"], theirs["state"], options.like))

# --- what a person reads: one line per setting a run would change, in order, then the summary
output = (work / (options.stage + ".txt")).read_bytes().decode("utf-8", errors="replace")
printed = output.split("\r\n")
if printed[-1] != "":
    faults.append("the output does not end with CR LF")
printed = printed[:-1]
summary = printed[-1] if printed else ""
named = printed[:-1]
wanted = ['%s\\%s "%s": ' % (ROOTS[settings[i][1]], settings[i][2], settings[i][3])
          for i in differing]
if len(named) != len(wanted) or any(not l.startswith(w) for l, w in zip(named, wanted)):
    faults.append("printed %d lines for the %d settings a run would change; first: %s"
                  % (len(named), len(wanted), named[:2]))
for line, i in zip(named, differing):
    if (states[i][0] == "absent") != (": absent, a run writes " in line):
        faults.append("line for an %s setting: %s" % (states[i][0], line))
if options.only is not None and [settings[i][3] for i in differing] != [options.only]:
    faults.append("expected %s alone to differ, found %s"
                  % (options.only, [settings[i][3] for i in differing]))
counted = sum(1 for state, _ in states if state != "not applicable")
as_run = sum(1 for state, _ in states if state == "as run")
pattern = (r"Brisko /audit: exit code %d; %d of %d settings are as Brisko leaves them; %d "
           r"differs?\.( \d+ of the 30 services a run disables (is|are) not installed here, "
           r"so (it is|they are) not counted\.)?$"
           % (options.exit_code, as_run, counted, len(differing)))
if not re.match(pattern, summary):
    faults.append("summary %r" % summary)

print("audit %s: exit code %d; %d as run, %d differ or absent, %d not applicable; log of %d "
      "records" % (options.stage, options.exit_code, as_run, len(differing),
                   len(settings) - counted, len(records)))
for fault in faults:
    print("FAULT:", fault)
print("audit %s: %s" % (options.stage, "all checks passed" if not faults
                        else "%d faults" % len(faults)))
sys.exit(1 if faults else 0)
