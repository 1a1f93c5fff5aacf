#!/usr/bin/env python3
"""After a run and its way back: every setting the run replaces is as it was before the run
(absent ones absent again), and the way back changed nothing else. Reads the snapshots
before/, optimized/ and undone/ and the record of what a run does (catalogue.txt) in WORK.
Usage: check_undo.py WORK. Exits 1 on a fault."""
import re
import sys
from pathlib import Path

from wine_registry import entry, excepted, snapshot

work = Path(sys.argv[1])
faults = []

# The settings a run replaces: its registry values, the start types of the services it
# disables, the wallpaper.
settings = set()
for line in (work / "catalogue.txt").read_text().splitlines():
    if line.startswith("VALUE "):
        root, key, name = line[6:].split("|")[:3]
        settings.add(entry(int(root, 16), key, name))
    match = re.match(r"LINE cmd /c sc config (\S+) start= disabled$", line)
    if match:
        settings.add(entry(0x80000002, "system\\currentcontrolset\\services\\" + match.group(1),
                           "Start"))
settings.add(entry(0x80000001, "control panel\\desktop", "Wallpaper"))

before, optimized, undone = (snapshot(work / name) for name in ("before", "optimized", "undone"))
changed_by_run = sum(1 for s in settings if before.get(s) != optimized.get(s))
for setting in sorted(settings):
    if undone.get(setting) != before.get(setting):
        faults.append("%s [%s] %s is %s, was %s before the run"
                      % (*setting, undone.get(setting), before.get(setting)))
for value in sorted(set(optimized) | set(undone)):
    if value in settings or excepted(value):
        continue
    if optimized.get(value) != undone.get(value):
        faults.append("the way back changed %s [%s] %s: %s -> %s"
                      % (*value, optimized.get(value), undone.get(value)))
# A key the run made stays, empty (a saved file never deletes a key); no other key appears.
print("way back: %d settings, %d changed by the run, %d as before now"
      % (len(settings), changed_by_run, sum(1 for s in settings if undone.get(s) == before.get(s))))
for fault in faults:
    print("FAULT:", fault)
print("way back: %s" % ("all checks passed" if not faults else "%d faults" % len(faults)))
sys.exit(1 if faults else 0)
