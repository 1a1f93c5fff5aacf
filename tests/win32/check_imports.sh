#!/usr/bin/env bash
# A program may import only what the oldest Windows it is for provides: every entry of its
# import table has to stand in one of the lists given. brisko.exe is checked against
# xp_imports.txt (Windows XP SP3), brisko64.exe against xp_imports.txt and x64_imports.txt
# (Windows XP Professional x64 Edition and Server 2003 x64, NT 5.2).
#   check_imports.sh PROGRAM LIST...
set -euo pipefail
exe=$1
shift
[ $# -gt 0 ] || { echo "FAILED: no list of known imports given"; exit 1; }
# x86_64's objdump reads the import tables of both architectures.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" |
  awk '/DLL Name:/{dll=tolower($3)} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/{print dll" "$3}' | sort -u)
[ -n "$imports" ] || { echo "FAILED: no imports read from $exe"; exit 1; }
missing=$(comm -23 <(echo "$imports") <(cat "$@" | grep -v '^#' | sort -u))
if [ -n "$missing" ]; then
  echo "FAILED: $(basename "$exe") imports functions not known to exist on the oldest Windows it is for:"
  echo "$missing"
  exit 1
fi
echo "ok: $(basename "$exe"): $(echo "$imports" | wc -l) imports, all in $(basename -a "$@" | tr '\n' ' ')"
