#!/usr/bin/env bash
# brisko.exe must import only what Windows XP SP3 provides: every entry of its import
# table has to stand in xp_imports.txt.
set -euo pipefail
exe=$1
list=$(dirname "$0")/xp_imports.txt
imports=$(i686-w64-mingw32-objdump -p "$exe" |
  awk '/DLL Name:/{dll=tolower($3)} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/{print dll" "$3}' | sort -u)
[ -n "$imports" ] || { echo "FAILED: no imports read from $exe"; exit 1; }
missing=$(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u))
if [ -n "$missing" ]; then
  echo "FAILED: brisko.exe imports functions not known to exist on Windows XP SP3:"
  echo "$missing"
  exit 1
fi
echo "ok: $(echo "$imports" | wc -l) imports, all provided by Windows XP SP3"
