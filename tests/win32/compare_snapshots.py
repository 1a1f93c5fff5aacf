#!/usr/bin/env python3
"""Compares the sandbox before and after one run of brisko.exe: the registry files, the
drive C: file tree and Wine's process trace. Prints what it found; exits 1 on a fault.
With --unchanged it checks instead that nothing changed at all (a refused command line)."""
import argparse
import os
import re
import sys
from pathlib import Path

from wine_registry import EXCEPTIONS as REGISTRY_EXCEPTIONS, entry as value_entry, excepted, parse_reg, snapshot

options = argparse.ArgumentParser()
options.add_argument("work")
options.add_argument("--before", default="before")
options.add_argument("--after", default="after")
options.add_argument("--no-buttons", action="store_true",
                     help="the run was started without the window: no button lines")
options.add_argument("--unchanged", action="store_true", help="expect no change at all")
options.add_argument("--new-file", action="append", default=[],
                     help="a file the run may add (its log), relative to drive C:")
options.add_argument("--new-file-like", action="append", default=[],
                     help="a regular expression for files the run must add (its saved "
                     "settings), relative to drive C:")
options = options.parse_args()
work = Path(options.work)
flavour = os.environ.get("BRISKO_PREFIX", "xp32")
faults = []
print("prefix: %s" % flavour)

FILE_EXCEPTIONS = []  # a run touches no file but the ones it must delete


def registry_changes():
    before = snapshot(work / options.before)
    after = snapshot(work / options.after)
    return {e: (before.get(e), after.get(e)) for e in set(before) | set(after)
            if before.get(e) != after.get(e)}


def expected_values():
    """The catalogue as Wine stores it: file, key, value name -> data text."""
    if options.unchanged:
        return {}
    expected = {}
    for line in (work / "catalogue.txt").read_text().splitlines():
        if not line.startswith("VALUE "):
            continue
        root, key, name, kind, data = line[6:].split("|")
        if kind == "4":
            text = "dword:%08x" % (int(data) & 0xFFFFFFFF)
        else:
            text = '"%s"' % data
        expected[value_entry(int(root, 16), key, name)] = text
    expected[("user.reg", "control panel\\desktop", "wallpaper")] = '""'
    return expected


changes = registry_changes()
expected = expected_values()
for entry, data in sorted(expected.items()):
    after = changes.get(entry, (None, None))[1]
    if after is None:
        after = parse_reg(work / options.after / entry[0]).get(entry[1:])
    if after != data:
        faults.append("registry %s [%s] %s is %s, expected %s" % (*entry, after, data))
# In a 64-bit prefix the registry files hold the 64-bit view under the plain key names and
# the 32-bit view under Wow6432Node: the values above were read from the 64-bit view, and
# none of ours may land in the 32-bit one, where the system does not look for them.
after_values = {name: parse_reg(work / options.after / name)
                for name in ("system.reg", "user.reg", "userdef.reg")}
in_32bit_view = 0
for file, key, name in sorted(expected):
    if not key.startswith("software\\"):
        continue
    twin = "software\\wow6432node\\" + key[len("software\\"):]
    if (twin, name) in after_values[file]:
        in_32bit_view += 1
        faults.append("registry value in the 32-bit view: %s [%s] %s" % (file, twin, name))
print("registry: %d of our values in the 32-bit view (Wow6432Node)" % in_32bit_view)
unexpected = [e for e in changes if e not in expected and not excepted(e)]
for entry in sorted(unexpected):
    faults.append("registry changed without reason: %s [%s] %s: %s -> %s"
                  % (*entry, *changes[entry]))
print("registry: %d values checked, %d other changes allowed as the platform's own"
      % (len(expected), sum(1 for e in changes if excepted(e))))
for f, k, n in REGISTRY_EXCEPTIONS:
    hits = sum(1 for e in changes if e not in expected and re.fullmatch(f, e[0])
               and re.fullmatch(k, e[1]) and re.fullmatch(n, e[2]))
    print("  %4d allowed in %s [%s]" % (hits, f.replace("\\", ""), k))


def files(name):
    table = {}
    for line in (work / name / "files.txt").read_text().splitlines():
        digest, path = line.split("  ", 1)
        table[path] = digest
    return table


before, after = files(options.before), files(options.after)
must_go = set() if options.unchanged else {
    "./windows/temp/one.tmp", "./windows/temp/two.log", "./windows/prefetch/APP-0001.pf"}
may_come = set(options.new_file)
for path in sorted(may_come):
    if path not in after:
        faults.append("file not written: " + path)
for pattern in options.new_file_like:
    found = [p for p in after if re.fullmatch(pattern, p) and p not in before]
    if len(found) != 1:
        faults.append("expected one new file like %s, found %s" % (pattern, found))
    may_come.update(found)
for path in sorted(must_go):
    if path in after:
        faults.append("file not deleted: " + path)
# The line "cmd /c  DISKPERF -N" reaches the tool planted only in the native system folder;
# no tool planted beside brisko.exe ever runs.
native_mark = "./markers/diskperf.exe.ran"
if native_mark not in after and not options.unchanged:
    faults.append("the line did not reach the tool in the native system folder (%s)" % native_mark)
for path in sorted(p for p in after if p.startswith("./markers/") and p != native_mark):
    faults.append("a tool planted beside brisko.exe ran: %s" % path)
print("planted tools: native system folder %s; %d planted beside brisko.exe ran"
      % ("reached" if native_mark in after else "NOT REACHED",
         sum(1 for p in after if p.startswith("./markers/") and p != native_mark)))
for path in sorted(set(before) | set(after)):
    if path in must_go or path.startswith("./markers/") or before.get(path) == after.get(path):
        continue
    if path in may_come and path not in before:
        continue
    if any(re.fullmatch(p, path) for p in FILE_EXCEPTIONS):
        continue
    state = "removed" if path not in after else ("added" if path not in before else "changed")
    faults.append("file %s without reason: %s" % (state, path))
print("files: %d before, %d after" % (len(before), len(after)))

if options.unchanged:
    for fault in faults:
        print("FAULT:", fault)
    print("nothing changed: %s" % ("all checks passed" if not faults else "%d faults" % len(faults)))
    sys.exit(1 if faults else 0)

# Wine's process trace: the lines as they reached CreateProcess, from outside the program.
# The run's lines, then "Defrag" and "Default Settings" as the test pressed them.
catalogue = (work / "catalogue.txt").read_text().splitlines()
expected_lines = ([l[5:] for l in catalogue if l.startswith("LINE ")]
                  + ([] if options.no_buttons
                     else [l[7:] for l in catalogue if l.startswith("BUTTON ")]))


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)), text)


started = []
for line in (work / "trace.log").read_text(errors="replace").splitlines():
    match = re.search(r'CreateProcessInternalW app (L"(?:[^"\\]|\\.)*"|\(null\)) cmdline L"((?:[^"\\]|\\.)*)"', line)
    if match and unescape(match.group(2)).startswith("cmd /c "):
        app = unescape(match.group(1)[2:-1]) if match.group(1) != "(null)" else None
        started.append((app, unescape(match.group(2))))
lines = [line for app, line in started]
if lines != expected_lines:
    faults.append("started lines differ from the catalogues: %d started, first difference at %s"
                  % (len(lines), next((i for i, (a, b) in enumerate(zip(lines, expected_lines))
                                        if a != b), min(len(lines), len(expected_lines)))))
for app, line in started:
    if app is None or app.lower() != "c:\\windows\\system32\\cmd.exe":
        faults.append("line not started through the system's cmd.exe: %s (%s)" % (line, app))
print("process trace: %d lines started through %s" % (len(lines), started[0][0] if started else "-"))

for fault in faults:
    print("FAULT:", fault)
print("whole run: %s" % ("all checks passed" if not faults else "%d faults" % len(faults)))
sys.exit(1 if faults else 0)
