# Sourced by the scripts that run the Windows program under Wine: a prefix
# of the run's own (filled without a display, Wine's fonts copied in, quiet,
# no sound device, no menu entries), an Xvfb screen of its own, clean-up at
# exit, check, and the check that the player's own desktop gained nothing.
#   . wine.sh <name of the temporary folder> [folder to make it in, else $TMPDIR or /tmp]
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$wine" ] || { echo "no Wine found (Debian packages wine, wine64)" >&2; exit 2; }

work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/$1-XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# winemenubuilder would write menu entries, icons and file types for the
# prefix's programs into the real home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d;winemenubuilder.exe=d"
xvfb=
cleanup() {
  "$wineserver" -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check <what> <condition command...>
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}

# What Wine could add to the desktop of the user running the tests.
desktop_files() {
  find "${XDG_DATA_HOME:-$HOME/.local/share}/applications" "${XDG_CONFIG_HOME:-$HOME/.config}/menus" \
    2>/dev/null | sort
}
desktop_before=$(desktop_files)
home_untouched() { [ "$(desktop_files)" = "$desktop_before" ]; }

# wineboot returns before the prefix is filled: wait for its server to end.
# Dialogs find "MS Shell Dlg" among Wine's fonts only when they are copied in.
(unset DISPLAY; "$wine" wineboot -i >/dev/null 2>&1; "$wineserver" -w)
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null

# A screen of the run's own: DRALEN_TEST_DISPLAY when given (":57"), else
# the first number from a random one on that no X server holds, so that two
# runs side by side never share one.
display=${DRALEN_TEST_DISPLAY:-}
if [ -z "$display" ]; then
  first=$((80 + RANDOM % 20))
  for n in $(seq "$first" 99) $(seq 80 "$first"); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
  done
fi
Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
