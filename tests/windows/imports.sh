#!/usr/bin/env bash
# Dralen loads on Windows 7: every function the program's import table names
# is one that Windows 7 has (tests/windows/windows7-functions.txt). A single
# newer one, and Windows 7 refuses to start the program at all.
#   imports.sh <dralen.exe>
set -uo pipefail
program=$1
known=$(dirname "$0")/windows7-functions.txt
objdump=$(command -v x86_64-w64-mingw32-objdump) || { echo "imports.sh: no x86_64-w64-mingw32-objdump" >&2; exit 2; }

imports=$("$objdump" -p "$program" |
  awk '/DLL Name:/ { dll = tolower($3); next } dll && /^\t[0-9a-f]+\t/ { print dll, $3 }' | sort -u)
[ -n "$imports" ] || { echo "FAIL no import table read from $program"; exit 1; }
missing=$(comm -23 <(echo "$imports") <(grep -v '^#' "$known" | sort -u))
if [ -n "$missing" ]; then
  echo "FAIL $program imports what Windows 7 lacks, or what no one has checked it has:"
  echo "$missing" | sed 's/^/       /'
  exit 1
fi
echo "ok   the $(echo "$imports" | wc -l) functions $(basename "$program") imports are all in Windows 7"
