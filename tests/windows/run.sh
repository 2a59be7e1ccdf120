#!/usr/bin/env bash
# Runs a GoogleTest program built for Windows under Wine, with no display, and
# passes only when GoogleTest's own summary says every test passed.
#   run.sh <program.exe> <wine prefix> [gtest arguments...]
set -uo pipefail
program=$1
prefix=$2
shift 2

wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$wine" ] || { echo "run.sh: no Wine found (Debian package wine64)" >&2; exit 2; }

# A prefix of our own beside the build; no window may open, so no display,
# no offer to install Mono or Gecko, which the tests do not need, and no menu
# entries written into the real home folder.
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
# Wine fills a new prefix on first use (some 20 s); what it says meanwhile
# about the 32-bit half, which Debian's wine64 leaves out, is no concern here.
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1
fi

# GoogleTest prints failures in full and its summary; the log keeps them.
log=${program%.exe}.log
"$wine" "$program" --gtest_color=no --gtest_brief=1 "$@" 2>&1 | tr -d '\r' | tee "$log"
status=${PIPESTATUS[0]}
"$wineserver" -k 2>/dev/null

passed=$(grep -E '^\[  PASSED  \] [0-9]+ tests?\.' "$log" | tail -n 1)
failed=$(grep -cE '^\[  FAILED  \] ' "$log")
total=$(grep -E '^\[==========\] [0-9]+ tests? from [0-9]+ test (suite|case)s? ran\.' "$log" | tail -n 1)
echo "== Windows (Wine): ${total:-no summary} ${passed:+- $passed} - exit status $status"
# The same counts as one plain closing line, for whatever reads the end of the run.
count() { grep -oE "^\[  $1 *\] [0-9]+" "$log" | tail -n 1 | grep -oE '[0-9]+$' || echo 0; }
# A brief run names each failed test but prints no count of them.
failed_tests=$(grep -E '^\[  FAILED  \] [A-Za-z_]' "$log" | sed 's/ (.*//' | sort -u | wc -l)
echo "Windows: $(count PASSED) passed, $failed_tests failed, $(count SKIPPED) skipped"
if [ "$status" -ne 0 ] || [ -z "$passed" ] || [ "$failed" -ne 0 ]; then
  echo "== Windows (Wine): FAILED, see $log" >&2
  exit 1
fi
