#!/usr/bin/env bash
# Plays the real dralen.exe under Wine and Xvfb, in a portable folder of its
# own, and checks what a player would: the window's size and pixels against
# what the Linux build's renderer draws for the same game, keys, the menu's
# dialogs, saving and loading across the two systems, and the files left at
# exit.
#   play.sh <Windows build dir> <Linux build dir>
set -uo pipefail
win=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
probe=$linux/tests/dralen_probe
wineprobe=$win/tests/dralen_wineprobe.exe
[ -x "$probe" ] || { echo "play.sh: build $probe first" >&2; exit 2; }
. "$(dirname "$0")/wine.sh" dralen-wine

game=$work/game
cp -r "$win/game/." "$game/"

window=
start_game() {
  (cd "$game" && "$wine" dralen.exe >/dev/null 2>&1 &)
  window=
  # A fresh prefix makes the first start slow.
  for _ in $(seq 900); do
    window=$(xdotool search --onlyvisible --name '^Dralen$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "FAIL the window never showed"; exit 1; }
  sleep 1
  xdotool windowfocus --sync "$window" 2>/dev/null
}
# Keys are held for a moment: a quick tap can slip between two key polls.
press() {
  xdotool keydown --window "$window" "$1"
  sleep 0.15
  xdotool keyup --window "$window" "$1"
  sleep 0.3
}
wait_exit() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Dralen$' >/dev/null 2>&1 || break
    sleep 0.1
  done
  # A box left open keeps the game from ending: the checks after it fail
  # rather than the run hanging.
  timeout 60 "$wineserver" -w || "$wineserver" -k
}
window_size() { xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p'; }
# The bottom <height> rows of the window, the client area under the menu bar.
client_shot() {  # client_shot <out.png> <width> <height>
  local size
  size=$(window_size)
  import -window "$window" "$work/window.png"
  convert "$work/window.png" -gravity south -crop "$2x$3+0+0" +repage "$1"
}
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }

# 1. The game continues a Linux automatic save, paused on Enter, and draws
# exactly what the Linux renderer draws for the game it leaves behind.
cp "$root/tests/fuzz/corpus/savegame/autosave-galaxy.sav" "$game/autosave.sav"
start_game
press Return
# The step the game thread was in may still land and be painted: the frame
# that stays is the one to compare.
sleep 1.5
read -r play_width play_height < <("$probe" size "$game/autosave.sav" "$game")
read -r width height < <(window_size)
check "the window is as wide as the play area (${width} = ${play_width})" [ "$width" = "$play_width" ]
check "the menu bar sits above a client area of the play area's height" [ "$height" -gt "$play_height" ]
client_shot "$work/wine-frame.png" "$play_width" "$play_height"
press Escape  # Anti-boss!: saves and quits
wait_exit
"$probe" frame "$game/autosave.sav" "$game" "$work/linux-frame.ppm"
check "the paused frame's pixels are the Linux renderer's" same_pixels "$work/wine-frame.png" "$work/linux-frame.ppm"
check "Exit writes autosave.sav with CR LF line ends" grep -q $'\r$' "$game/autosave.sav"
check "Exit writes dralen.cfg with CR LF line ends" grep -q $'\r$' "$game/dralen.cfg"
loads_on_linux() { "$probe" size "$1" "$game" >/dev/null; }
check "the automatic save loads on Linux" loads_on_linux "$game/autosave.sav"

# 2. A game written on Linux, whose shape falls slowly, continues; a move key
# moves the shape, also after F10, which the window keeps from the menu bar
# while a game is played.
"$probe" slow-game "$game/autosave.sav"
before=$("$probe" column "$game/autosave.sav")
start_game
press F10
press Left
press Left
press Return
press Escape
wait_exit
after=$("$probe" column "$game/autosave.sav")
check "Left moves the shape (column $before to $after), F10 took no keys" [ "$after" -lt "$before" ]

# 3. Custom Game from the menu: every control at its rectangle in dialog
# units; one more column of width and "Start!" start a game that wide.
in_game() { (cd "$game" && "$wine" "$wineprobe" "$@"); }
"$probe" slow-game "$game/autosave.sav"
read -r old_width _ < <("$probe" field "$game/autosave.sav")
start_game
in_game command 40039
check "Custom Game's controls lie at their dialog-unit rectangles" in_game dialog custom
in_game scroll custom 1004 1  # the width bar's right arrow
in_game press custom 1        # "Start!"
sleep 1
press Escape
wait_exit
read -r new_width _ < <("$probe" field "$game/autosave.sav")
check "a wider field from Custom Game ($old_width to $new_width)" [ "$new_width" = $((old_width + 1)) ]

# 4. Configure Keys binds A to "Move left", and A then moves the shape.
"$probe" slow-game "$game/autosave.sav"
before=$("$probe" column "$game/autosave.sav")
start_game
in_game command 40069
check "Configure Keys' controls lie at their dialog-unit rectangles" in_game dialog keys
in_game press keys 1019  # "Move left"
sleep 0.5
keys=$(xdotool search --onlyvisible --name '^Configure Keys$' | head -n 1)
xdotool windowfocus --sync "$keys" 2>/dev/null
xdotool keydown --window "$keys" a; sleep 0.15; xdotool keyup --window "$keys" a
sleep 0.3
in_game press keys 1     # "OK"
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null
# The game paused behind the dialog: the first key resumes it, and a press
# can come while Wine is still handing the focus back; one move is enough.
press a
press a
press a
press Escape
wait_exit
after=$("$probe" column "$game/autosave.sav")
check "A, bound to Move left, moves the shape (column $before to $after)" [ "$after" -lt "$before" ]
check "the new key is in dralen.cfg" grep -q $'^65\t' "$game/dralen.cfg"

# 5. Save Game through the file dialog, into a folder and under a name
# beyond ASCII, writes a file the Linux build loads as the game it saved;
# Load Game reads a file the Linux build wrote. Each dialog offers the name
# last chosen in it, and only in it.
file_dialog() {  # file_dialog <path typed into the dialog>
  local chooser=
  for _ in $(seq 100); do
    chooser=$(xdotool search --onlyvisible --name '^(Save As|Open)$' 2>/dev/null | head -n 1)
    [ -n "$chooser" ] && break
    sleep 0.1
  done
  [ -n "$chooser" ] || return 1
  # Typed only once its name field is there to take the keys.
  in_game filename >/dev/null
  sleep 0.5
  xdotool windowfocus --sync "$chooser" 2>/dev/null
  [ $# -gt 0 ] && { xdotool type --window "$chooser" --delay 20 "$1"; xdotool key --window "$chooser" Return; }
  [ $# -gt 0 ] || { in_game filename; xdotool key --window "$chooser" Escape; }
  # A dialog slow to close would take the next command into its own loop.
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^(Save As|Open)$' >/dev/null 2>&1 || break
    sleep 0.1
  done
  sleep 0.5
}
offered() { file_dialog | tr -d '\r'; }  # the name a dialog offers, the dialog then cancelled
saves=$work/Spielstände
mkdir -p "$saves"
"$probe" slow-game "$game/autosave.sav"
start_game
press Return  # paused, so that the saved game is the game left at exit
in_game command 40064
file_dialog 'Z:'"${saves//\//\\}"'\Partie_é'
in_game command 40064
save_offers=$(offered)
in_game command 40065
load_offers=$(offered)
xdotool windowfocus --sync "$window" 2>/dev/null
press Escape
wait_exit
check "Save Game writes Spielstände/Partie_é.sav (the suffix added)" test -f "$saves/Partie_é.sav"
check "which the Linux build loads as the game left at exit" "$probe" same "$saves/Partie_é.sav" "$game/autosave.sav"
check "Save Game offers the name last chosen in it ($save_offers)" eval '[[ "$save_offers" == *Partie_é.sav ]]'
check "Load Game does not offer Save Game's ($load_offers)" eval '[[ "$load_offers" != *Partie_é* ]]'
cp "$root/tests/fuzz/corpus/savegame/level-Galaxy.sav" "$saves/Galaxie_é.sav"
"$probe" slow-game "$game/autosave.sav"
start_game
press Return
in_game command 40065
file_dialog 'Z:'"${saves//\//\\}"'\Galaxie_é.sav'
in_game command 40065
load_offers=$(offered)
xdotool windowfocus --sync "$window" 2>/dev/null
press Escape
wait_exit
read -r loaded_width loaded_height < <("$probe" field "$game/autosave.sav")
check "Load Game reads a Linux-written Galaxie_é.sav (a field of $loaded_width x $loaded_height)" \
  [ "$loaded_width $loaded_height" = "20 32" ]
check "and then offers that name ($load_offers)" eval '[[ "$load_offers" == *Galaxie_é.sav ]]'

# 6. Esc closes the About box and the Hall of Fame; Tab walks Custom Game in
# the order of its controls; every static text of About, Custom Game and
# Configure Keys fits its control.
escape_closes() {  # escape_closes <dialog name> <caption>
  local dialog=
  in_game dialog "$1" >/dev/null
  dialog=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1)
  [ -n "$dialog" ] || return 1
  xdotool windowfocus --sync "$dialog" 2>/dev/null
  xdotool keydown --window "$dialog" Escape; sleep 0.15; xdotool keyup --window "$dialog" Escape
  in_game gone "$1"
}
"$probe" slow-game "$game/autosave.sav"
start_game
in_game command 40004
check "every text of About fits its control" in_game texts about
check "Esc closes About" escape_closes about 'About Dralen'
in_game command 40200
check "Esc closes the Hall of Fame" escape_closes hall 'Hall of Fame'
in_game command 40039
check "Tab walks Custom Game in the order of its controls" in_game tab custom
check "every text of Custom Game fits its control" in_game texts custom
in_game press custom 2
in_game command 40069
check "every text of Configure Keys fits its control" in_game texts keys
in_game press keys 2
sleep 0.5
xdotool windowfocus --sync "$window" 2>/dev/null
press Escape
wait_exit

# 7. A controller, a stand-in xinput1_4.dll beside the game that reports
# what fakepad.txt holds ("buttons x y", XInput's bits): the d-pad moves the
# shape; at a game over, A answers the score box, then A keeps the offered
# name in the Hall of Fame; B closes the Hall of Fame.
pad() { echo "$1 0 0" >"$game/fakepad.tmp" && mv "$game/fakepad.tmp" "$game/fakepad.txt"; }
tap() { pad "$1"; sleep 0.3; pad 0; sleep 0.3; }
cp "$win/tests/xinput1_4.dll" "$game/"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;xinput1_4=n"
pad 0
"$probe" slow-game "$game/autosave.sav"
before=$("$probe" column "$game/autosave.sav")
start_game
tap 4  # left on the d-pad
tap 4
press Escape
wait_exit
after=$("$probe" column "$game/autosave.sav")
check "the d-pad moves the shape (column $before to $after)" [ "$after" -lt "$before" ]

"$probe" ending-game "$game/autosave.sav"
rm -f "$game/halloffame.txt"
(cd "$game" && "$wine" dralen.exe >/dev/null 2>&1 &)
check "the game ends in the score box" in_game message "Your score: 40"
sleep 0.5
tap 4096  # A
check "A confirms the score box" in_game gone message
check "the Hall of Fame follows" in_game dialog hall
cp "$game/halloffame.txt" "$work/hall-offered.txt"
sleep 0.5
tap 4096
check "A closes the Hall of Fame" in_game gone hall
check "keeping the name it offered" cmp -s "$game/halloffame.txt" "$work/hall-offered.txt"
check "with the score of 40" grep -q 40 "$game/halloffame.txt"
in_game command 40200
check "the Hall of Fame opens from the menu" in_game dialog hall
sleep 0.5
tap 8192  # B
check "B closes it" in_game gone hall
window=$(xdotool search --onlyvisible --name '^Dralen$' 2>/dev/null | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null
press Escape
wait_exit
rm -f "$game/xinput1_4.dll" "$game/fakepad.txt"

# 8. On a display at 150 % (Wine's LogPixels 144), a game whose zoom the
# player never chose is drawn at 2x: every pixel of the Linux frame a sharp
# square of 2 x 2.
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
"$wineserver" -w
rm -f "$game/settings.cfg"
"$probe" slow-game "$game/autosave.sav"
start_game
press Return
sleep 1.5
read -r play_width play_height < <("$probe" size "$game/autosave.sav" "$game")
read -r width height < <(window_size)
check "at 150 % the window is twice as wide as the play area ($width = 2 x $play_width)" \
  [ "$width" = $((2 * play_width)) ]
client_shot "$work/wine-150.png" $((2 * play_width)) $((2 * play_height))
press Escape
wait_exit
"$probe" frame "$game/autosave.sav" "$game" "$work/linux-frame.ppm"
convert "$work/linux-frame.ppm" -sample 200% "$work/linux-200.png"
check "its pixels are the Linux frame's, each a 2 x 2 square" same_pixels "$work/wine-150.png" "$work/linux-200.png"

# 8. Closed from outside while the score box waits (Task Manager's End
# task): the program ends within 5 s and keeps its files. Without a MIDI
# device Wine's sequencer takes seconds over each command, so the music is
# switched off first, the way a player would.
"$probe" slow-game "$game/autosave.sav"
start_game
in_game command 40149  # Options: Music
press Escape
wait_exit
ended_soon() {
  for _ in $(seq 50); do
    xdotool search --name '^Dralen$' >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
written_since() { [ "$game/$1" -nt "$work/closed" ]; }
"$probe" ending-game "$game/autosave.sav"
(cd "$game" && "$wine" dralen.exe >/dev/null 2>&1 &)
check "the game ends in the score box again" in_game message "Your score: 40"
touch "$work/closed"
in_game close
check "WM_CLOSE with the score box open ends the program within 5 s" ended_soon
"$wineserver" -k 2>/dev/null
check "writing dralen.cfg" written_since dralen.cfg
check "and an automatic save that loads" loads_on_linux "$game/autosave.sav"
# The same with a dialog over a running game: About holds the game's lock.
"$probe" slow-game "$game/autosave.sav"
start_game
in_game command 40004
check "About is open" in_game dialog about
in_game close
check "WM_CLOSE with About open ends the program within 5 s" ended_soon
"$wineserver" -k 2>/dev/null

# 9. The session ends (log off): the options and the game are kept, and the
# program ends.
"$probe" slow-game "$game/autosave.sav"
start_game
touch "$work/closed"
check "the session's end is agreed to" in_game endsession
check "the program ends with the session" ended_soon
"$wineserver" -k 2>/dev/null
check "writing dralen.cfg" written_since dralen.cfg
check "and the automatic save" written_since autosave.sav

# 10. On a 1280 x 1024 screen a new game of another size keeps the window
# wholly on it: "Sea bottom" is far wider than the start-up game whose
# window was centred.
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
"$wineserver" -w
rm -f "$game/autosave.sav" "$game/settings.cfg"
small=:$((90 + RANDOM % 9))
Xvfb "$small" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
small_xvfb=$!
large=$DISPLAY
export DISPLAY=$small
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
start_game
in_game command 40098  # "Sea bottom"
sleep 1.5
on_screen() {
  local x y w h
  read -r x y < <(xdotool getwindowgeometry "$window" | sed -n 's/.*Position: \([-0-9]*\),\([-0-9]*\).*/\1 \2/p')
  read -r w h < <(window_size)
  echo "window ${w}x${h} at $x,$y"
  [ "$w" -gt 1000 ] && [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 1024 ]
}
check "after \"Sea bottom\" the window lies wholly on a 1280 x 1024 screen" on_screen
in_game close
ended_soon
"$wineserver" -k 2>/dev/null
kill "$small_xvfb" 2>/dev/null
export DISPLAY=$large

# 11. A replay recorded on Linux, kept with its Hall of Fame entry, is watched
# from its row: Watch waits for a row with a replay, the title says whose
# game it is, and at the replay's end the player's window is back, with no
# word of another version.
fixture=$root/tests/fixtures/replays/nano-tetramino-scoring.replay
score=$(awk '/^end /{print $3}' "$fixture")
ticks=$(awk '/^end /{print $2}' "$fixture")
replay=2026-12-08-$score-0123456789abcdef.replay
mkdir -p "$game/replays"
cp "$fixture" "$game/replays/$replay"
printf 'Dralen Hall of Fame\ntable %s\n%s 2026-12-08 Linux player\nreplay %s\n' \
  "$(sed -n 's/^rules //p' "$fixture")" "$score" "$replay" >"$game/halloffame.txt"
start_game
read -r before_width before_height < <(window_size)
in_game command 40200
in_game dialog hall >/dev/null
hall=$(xdotool search --onlyvisible --name '^Hall of Fame' | head -n 1)
xdotool key --window "$hall" Down  # from the game's own table to the Linux game's
sleep 0.5
watch_enabled() { in_game enabled hall 1203; }
watch_disabled() { ! watch_enabled; }
check "Watch waits for a row" watch_disabled
xdotool mousemove --window "$hall" 60 66 click 1
sleep 0.5
check "Watch can be pressed for the row of a replay" watch_enabled
in_game press hall 1203
# The window comes back to the front first, which Wine's music device takes
# a moment to follow.
for _ in $(seq 50); do
  title=$(xdotool getwindowname "$window")
  [ "$title" != "Dralen" ] && break
  sleep 0.2
done
check "the title says whose game is watched (\"$title\")" [ "$title" = "Dralen – Linux player's game, $score points (replay)" ]
for _ in $(seq $((ticks / 100 + 15))); do
  [ "$(xdotool getwindowname "$window")" = "Dralen" ] && break
  sleep 1
done
check "at its end the player's game is back" [ "$(xdotool getwindowname "$window")" = "Dralen" ]
boxes() { xdotool search --onlyvisible --name '^Dralen$' 2>/dev/null | wc -l; }
check "and the replay played to its recorded end under Windows" [ "$(boxes)" = 1 ]
check "in its own window again" [ "$(window_size)" = "$before_width $before_height" ]
in_game close
ended_soon

check "no menu entry or file type written into the real home folder" home_untouched

echo "Windows program under Wine: $failures failed"
[ "$failures" -eq 0 ]
