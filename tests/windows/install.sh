#!/usr/bin/env bash
# Installs, plays and uninstalls the Windows packages under Wine and Xvfb:
# the installer and uninstaller clicked through page by page as a player
# would (their pages read with dralen_setupprobe), and silently; for all
# users and just for the player. It checks the files and registry entries
# they leave, not the installer's exit status (an installer that cannot run
# still exits 0 under Wine).
#   install.sh <Windows build dir>
# With SHOTS=<folder>, the pages are also photographed there.
set -uo pipefail
win=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$(ls "$win"/dralen-*-setup.exe 2>/dev/null | head -n 1)
zip=$(ls "$win"/dralen-*-win64.zip 2>/dev/null | head -n 1)
setupprobe=$win/tests/dralen_setupprobe.exe
[ -n "$setup" ] && [ -n "$zip" ] && [ -f "$setupprobe" ] ||
  { echo "install.sh: build package-windows and dralen_setupprobe first" >&2; exit 2; }
version=${setup##*/dralen-}
version=${version%-setup.exe}
homepage=$(sed -n 's/^DRALEN_HOMEPAGE:STRING=//p' "$win/CMakeCache.txt")
# The prefix lies in the build, beside what it tests.
. "$(dirname "$0")/wine.sh" dralen-install "$win"

drive=$WINEPREFIX/drive_c
profile=$(find "$drive/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
program="$drive/Program Files/Dralen"
own_program="$profile/AppData/Local/Programs/Dralen"
roaming="$profile/AppData/Roaming/Dralen"
local_="$profile/AppData/Local/Dralen"
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dralen'
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dralen'
setup_caption="Dralen $version Setup"
uninstall_caption="Dralen $version Uninstall"

probe() { "$wine" "$setupprobe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# Waits for the wizard to show the page of this title.
on_page() {  # on_page <caption> <title>
  local shown
  for _ in $(seq 30); do
    shown=$(probe page "$1") || break
    [ "$shown" = "$2" ] && return 0
    sleep 0.5
  done
  echo "     (the page shown is \"$shown\")"
  return 1
}
next_page() {  # next_page <caption> <button> <title of the next page>
  probe click "$1" "$2"
  on_page "$1" "$3"
}
shot() {  # shot <caption> <name>: with SHOTS set, the window as a PNG
  [ -n "${SHOTS:-}" ] || return 0
  local window
  window=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n 1)
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root "$work/root.png"
  convert "$work/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOTS/$2.png"
}
value() {  # value <key> <name>: the registry value's data
  "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -nE "s/^ +$2 +REG_[A-Z_]+ +//p"
}
registered() { [ -n "$(value "$1" DisplayName)" ]; }
# An uninstall string run as the list of installed programs runs it: the
# quoted program, then its switches.
run_entry() {  # run_entry <key> <UninstallString or QuietUninstallString>
  local command exe quoted
  command=$(value "$1" "$2")
  exe=${command#\"}
  exe=${exe%%\"*}
  quoted="\"$exe\""
  # shellcheck disable=SC2086
  "$wine" "$exe" ${command#"$quoted"} >/dev/null 2>&1
}
# Leaves the running game with Esc, which saves.
leave_game() {
  local window=
  for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --name '^Dralen$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || return 1
  sleep 1
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool keydown --window "$window" Escape
  sleep 0.15
  xdotool keyup --window "$window" Escape
  timeout 60 "$wineserver" -w || "$wineserver" -k
}
play_and_leave() {  # play_and_leave <folder to start in> <program>
  (cd "$1" && "$wine" "$2" >/dev/null 2>&1 &)
  leave_game
}
crlf_lines() { [ -s "$1" ] && ! grep -qv $'\r$' "$1"; }
# The KiB the folder's files hold, as the list of programs should say.
size_in_kib() { find "$1" -type f -printf '%s\n' | awk '{ sum += $1 } END { print int(sum / 1024) }'; }
close_to() { [ $(($1 - $2)) -le $(($2 / 100 + 1)) ] && [ $(($2 - $1)) -le $(($2 / 100 + 1)) ]; }
gone() {  # gone <path>: the uninstaller's copy of itself may need a moment
  for _ in $(seq 50); do [ -e "$1" ] || return 0; sleep 0.2; done
  return 1
}

# 1. The installer clicked through just for the player: its pages in
# order, Esc asking before it leaves, and the finish page starting the game.
("$wine" "$setup" >/dev/null 2>&1 &)
check "the installer opens on its welcome page" on_page "$setup_caption" "Welcome to Dralen $version Setup"
shot "$setup_caption" windows-installer-welcome
window=$(xdotool search --onlyvisible --name "^$setup_caption" 2>/dev/null | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool keydown --window "$window" Escape
sleep 0.15
xdotool keyup --window "$window" Escape
check "Esc asks before it leaves" eval 'probe message "$setup_caption" | grep -q "^Are you sure you want to quit"'
probe click "$setup_caption" "No"
check "then the licence" next_page "$setup_caption" "Next >" "License Agreement"
shot "$setup_caption" windows-installer-licence
check "then for whom" next_page "$setup_caption" "Next >" "Choose Users"
shot "$setup_caption" windows-installer-users
probe click "$setup_caption" "Just for me (in my own Programs folder)"
check "then the folder" next_page "$setup_caption" "Next >" "Choose Install Location"
check "then, once installed, the finish page" next_page "$setup_caption" "Install" "Completing Dralen $version Setup"
check "which offers to start the game, ticked" probe checked "$setup_caption" "Start Dralen"
shot "$setup_caption" windows-installer-finish
probe click "$setup_caption" "Finish"
check "and starts it" leave_game

check "just for me: the program, data and texts in %LOCALAPPDATA%\\Programs\\Dralen" \
  test -f "$own_program/dralen.exe" -a -f "$own_program/levels/Africa.sav" -a -f "$own_program/sfx/rotate.wav" \
  -a -f "$own_program/music/Techno_01.mid" -a -f "$own_program/README.txt"
check "LICENSE.txt is the GPL, with CR LF line ends" \
  eval 'crlf_lines "$own_program/LICENSE.txt" && tr -d "\r" <"$own_program/LICENSE.txt" | cmp -s - "$root/COPYING"'
check "README.txt has CR LF line ends" crlf_lines "$own_program/README.txt"
check "the program is stripped (under 4 MB)" test "$(stat -c %s "$own_program/dralen.exe")" -lt 4000000
check "its version resource says $version" \
  eval '[ "$(strings -el "$own_program/dralen.exe" | grep -A1 -x ProductVersion | tail -n 1)" = "$version" ]'
check "a Start menu shortcut of the player's own" \
  test -f "$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Dralen.lnk"
# Wine's account is always an administrator: what can be checked is that
# nothing lands where only an administrator may write.
check "nothing in Program Files, the shared Start menu or HKLM" \
  eval '! registered "$machine_key" && test ! -e "$program" -a ! -e "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Dralen.lnk"'
check "the uninstall entry under HKCU names Dralen $version by its publisher" \
  eval '[ "$(value "$user_key" DisplayName)" = Dralen ] && [ "$(value "$user_key" DisplayVersion)" = "$version" ] &&
        [ "$(value "$user_key" Publisher)" = "The Dralen team" ]'
check "with the program's icon" eval '[ "$(value "$user_key" DisplayIcon)" = "$(value "$user_key" InstallLocation)\\dralen.exe,0" ]'
check "the home page as its links ($homepage)" \
  eval '[ -n "$homepage" ] && [ "$(value "$user_key" URLInfoAbout)" = "$homepage" ] && [ "$(value "$user_key" HelpLink)" = "$homepage" ]'
check "the size the folder holds" close_to "$(($(value "$user_key" EstimatedSize)))" "$(size_in_kib "$own_program")"
check "neither Modify nor Repair" \
  eval '[ "$(value "$user_key" NoModify)" = 0x1 ] && [ "$(value "$user_key" NoRepair)" = 0x1 ]'
check "a quiet uninstall string" eval 'value "$user_key" QuietUninstallString | grep -q "uninstall.exe\" .*/S$"'

# 2. Silently just for the player, over that install.
"$wine" "$setup" /S /CurrentUser >/dev/null 2>&1
"$wineserver" -w
check "/S /CurrentUser installs over it" \
  eval 'test -f "$own_program/dralen.exe" && registered "$user_key" && ! registered "$machine_key"'

# 3. The uninstaller from the list of programs, its box left unticked.
run_entry "$user_key" UninstallString &
check "the uninstaller opens on its welcome page" on_page "$uninstall_caption" "Welcome to Dralen $version Uninstall"
shot "$uninstall_caption" windows-uninstaller-welcome
check "then asks for confirmation" next_page "$uninstall_caption" "Next >" "Uninstall Dralen"
check "where removing the player's files is not ticked" \
  eval '! probe checked "$uninstall_caption" "Also remove my scores, settings and saved game"'
shot "$uninstall_caption" windows-uninstaller-confirm
check "then finishes" next_page "$uninstall_caption" "Uninstall" "Completing Dralen $version Uninstall"
probe click "$uninstall_caption" "Finish"
"$wineserver" -w
check "the program and its entry are gone" eval 'gone "$own_program" && ! registered "$user_key"'
check "the player's files stay" test -f "$roaming/dralen.cfg" -a -f "$local_/autosave.sav"

# 4. A silent install for all users.
"$wine" "$setup" /S >/dev/null 2>&1
"$wineserver" -w
check "/S: the program, data and texts in Program Files\\Dralen" \
  test -f "$program/dralen.exe" -a -f "$program/levels/Africa.sav" -a -f "$program/LICENSE.txt" -a -f "$program/README.txt"
check "a Start menu shortcut for all" test -f "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Dralen.lnk"
check "the uninstall entry under HKLM" eval 'registered "$machine_key" && ! registered "$user_key"'

# 5. The installed game, started in its own folder as its shortcut starts
# it, keeps the player's files in the player's folders.
rm -rf "$roaming" "$local_"
before=$(cd "$program" && find . | sort)
play_and_leave "$program" "$program/dralen.exe"
check "options in %APPDATA%\\Dralen" test -f "$roaming/dralen.cfg"
check "the automatic save in %LOCALAPPDATA%\\Dralen" test -f "$local_/autosave.sav"
check "nothing written into Program Files" [ "$(cd "$program" && find . | sort)" = "$before" ]

# 6. Installing over it, then a silent uninstall: the program goes, the
# player's files stay.
"$wine" "$setup" /S >/dev/null 2>&1
"$wineserver" -w
check "/S installs over it" eval 'test -f "$program/dralen.exe" && registered "$machine_key"'
run_entry "$machine_key" QuietUninstallString
"$wineserver" -w
check "the quiet uninstall takes the program and its entry away" eval 'gone "$program" && ! registered "$machine_key"'
check "and keeps the player's files" test -f "$roaming/dralen.cfg" -a -f "$local_/autosave.sav"

# 7. The uninstaller with its box ticked takes the player's files too.
"$wine" "$setup" /S /CurrentUser >/dev/null 2>&1
"$wineserver" -w
run_entry "$user_key" UninstallString &
on_page "$uninstall_caption" "Welcome to Dralen $version Uninstall" >/dev/null
next_page "$uninstall_caption" "Next >" "Uninstall Dralen" >/dev/null
probe click "$uninstall_caption" "Also remove my scores, settings and saved game"
next_page "$uninstall_caption" "Uninstall" "Completing Dralen $version Uninstall" >/dev/null
shot "$uninstall_caption" windows-uninstaller-finish
probe click "$uninstall_caption" "Finish"
"$wineserver" -w
check "ticked, the uninstaller removes the player's files too" \
  eval 'gone "$own_program" && test ! -e "$roaming" -a ! -e "$local_"'

# 8. The zip, unpacked anywhere, keeps its files beside the program.
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
check "the zip holds LICENSE.txt and README.txt" \
  eval 'crlf_lines "$work/unpacked/Dralen/LICENSE.txt" && crlf_lines "$work/unpacked/Dralen/README.txt"'
play_and_leave "$work" "$work/unpacked/Dralen/dralen.exe"
check "the unpacked game keeps dralen.cfg and autosave.sav beside itself" \
  test -f "$work/unpacked/Dralen/dralen.cfg" -a -f "$work/unpacked/Dralen/autosave.sav"

check "no menu entry or file type written into the real home folder" home_untouched

echo "Windows packages under Wine: $failures failed"
[ "$failures" -eq 0 ]
