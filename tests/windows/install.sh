#!/usr/bin/env bash
# Installs, plays and uninstalls the Windows packages under Wine and Xvfb,
# and checks the files they leave, not the installer's exit status (an
# installer that cannot run still exits 0 under Wine).
#   install.sh <Windows build dir>
set -uo pipefail
win=$(cd "$1" && pwd)
setup=$(ls "$win"/dralen-*-setup.exe 2>/dev/null | head -n 1)
zip=$(ls "$win"/dralen-*-win64.zip 2>/dev/null | head -n 1)
[ -n "$setup" ] && [ -n "$zip" ] || { echo "install.sh: run make package-windows first" >&2; exit 2; }
. "$(dirname "$0")/wine.sh" dralen-install

drive=$WINEPREFIX/drive_c
program="$drive/Program Files/Dralen"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dralen'

# Plays a moment in the folder given, then leaves with Esc, which saves.
play_and_leave() {
  (cd "$1" && "$wine" "$2" >/dev/null 2>&1 &)
  local window=
  for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --name '^Dralen$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "FAIL the game never showed"; failures=$((failures + 1)); return; }
  sleep 1
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool keydown --window "$window" Escape
  sleep 0.15
  xdotool keyup --window "$window" Escape
  "$wineserver" -w
}

# 1. A silent install for all users.
"$wine" "$setup" /S >/dev/null 2>&1
"$wineserver" -w
check "the program, levels, sounds, music and licence are in Program Files\\Dralen" \
  test -f "$program/dralen.exe" -a -f "$program/levels/Africa.sav" -a -f "$program/sfx/rotate.wav" \
  -a -f "$program/music/Techno_01.mid" -a -f "$program/COPYING"
check "a Start menu shortcut" test -f "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Dralen.lnk"
registered() { "$wine" reg query "$key" 2>/dev/null | tr -d '\r' | grep -q "$1"; }
check "the uninstall entry names Dralen 1.14" registered 'DisplayVersion.*1\.14'
check "the uninstall entry has a publisher, an icon and a size" \
  eval 'registered Publisher && registered DisplayIcon && registered EstimatedSize'

# 2. The installed game, started in its own folder as its shortcut starts
# it, keeps the player's files in the player's folders.
before=$(cd "$program" && find . | sort)
play_and_leave "$program" "$program/dralen.exe"
roaming=$(find "$drive/users" -path '*/AppData/Roaming/Dralen' -type d | head -n 1)
local_=$(find "$drive/users" -path '*/AppData/Local/Dralen' -type d | head -n 1)
check "options in %APPDATA%\\Dralen" test -f "$roaming/dralen.cfg"
check "the automatic save in %LOCALAPPDATA%\\Dralen" test -f "$local_/autosave.sav"
check "nothing written into Program Files" [ "$(cd "$program" && find . | sort)" = "$before" ]

# 3. Installing over the same version again, then a silent uninstall: the
# program goes, the player's files stay.
"$wine" "$setup" /S >/dev/null 2>&1
"$wineserver" -w
check "installs over an installed version" test -f "$program/dralen.exe"
"$wine" "$program/uninstall.exe" /S >/dev/null 2>&1
"$wineserver" -w
for _ in $(seq 50); do [ -e "$program/dralen.exe" ] || break; sleep 0.2; done
check "the uninstaller takes the program away" test ! -e "$program"
check "and the uninstall entry" eval '! registered DisplayName'
check "and keeps the player's files" test -f "$roaming/dralen.cfg" -a -f "$local_/autosave.sav"

# 4. The zip, unpacked anywhere, keeps its files beside the program.
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
play_and_leave "$work" "$work/unpacked/Dralen/dralen.exe"
check "the unpacked game keeps dralen.cfg and autosave.sav beside itself" \
  test -f "$work/unpacked/Dralen/dralen.cfg" -a -f "$work/unpacked/Dralen/autosave.sav"

check "no menu entry or file type written into the real home folder" home_untouched

echo "Windows packages under Wine: $failures failed"
[ "$failures" -eq 0 ]
