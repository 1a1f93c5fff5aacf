#!/usr/bin/env python3
"""The layers of the program include downwards only: app -> run -> catalogue, monitor ->
platform (platform/win32 being platform's one implementation), catalogue and monitor apart,
and no two files include each other, directly or through others. Prints each fault; exits 1
on any. Usage: check_layers.py [SOURCE_ROOT]"""
import re
import sys
from pathlib import Path

root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2])
RANK = {"platform": 0, "catalogue": 1, "monitor": 1, "run": 2, "app": 3}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

includes = {}
for layer in RANK:
    for path in sorted((root / layer).rglob("*")):
        if path.suffix in (".h", ".cpp"):
            name = path.relative_to(root).as_posix()
            includes[name] = [i for i in INCLUDE.findall(path.read_text(encoding="utf-8"))
                              if i.split("/")[0] in RANK]

faults = []
for name, targets in includes.items():
    layer = name.split("/")[0]
    for target in targets:
        other = target.split("/")[0]
        if RANK[other] > RANK[layer] or (RANK[other] == RANK[layer] and other != layer):
            faults.append("%s includes %s, of the %s layer" % (name, target, other))
        # app/main.cpp is where the program is put together, so it alone picks the real
        # implementation; everything else sees the portable interfaces only.
        if (target.startswith("platform/win32/") and not name.startswith("platform/")
                and name != "app/main.cpp"):
            faults.append("%s includes %s: only platform/win32 knows Windows" % (name, target))

# A loop: a file that reaches itself through its includes.
def reaches(start):
    seen, todo = set(), list(includes.get(start, []))
    while todo:
        current = todo.pop()
        if current == start:
            return True
        if current not in seen:
            seen.add(current)
            todo.extend(includes.get(current, []))
    return False

faults += ["%s includes itself through other files" % name for name in includes if reaches(name)]
for fault in faults:
    print("FAULT:", fault)
print("layers: %d files, %s" % (len(includes), "all include downwards" if not faults
                                else "%d faults" % len(faults)))
sys.exit(1 if faults else 0)
