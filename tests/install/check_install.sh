#!/usr/bin/env bash
# The game as a distribution installs it, checked from outside.
#
#   check_install.sh tree BUILD_DIR      install into a staging folder; check the
#                                        tree and validate the desktop files
#   check_install.sh run BUILD_DIR       start the staged program under Xvfb from
#                                        its menu entry's command, quit with Esc,
#                                        and find the player's files in the XDG
#                                        folders, nothing beside the program
#   check_install.sh package BUILD_DIR   build the .deb and let lintian judge it
set -euo pipefail
mode=${1:?usage: check_install.sh tree|run|package BUILD_DIR}
build=$(cd "${2:?usage: check_install.sh tree|run|package BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/dralen-install.XXXXXX")
cleanup() {
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    [ -n "${game:-}" ] && kill "$game" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

app_id=$(sed -n 's/^DRALEN_APP_ID:STRING=//p' "$build/CMakeCache.txt")
[ -n "$app_id" ] || fail "no application id in $build/CMakeCache.txt"

stage=$scratch/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr

check_tree() {
    local expected actual
    expected=$(
        {
            echo games/dralen
            (cd "$source/data" && find . -type f | sed 's|^\./|share/games/dralen/|')
            echo "share/applications/$app_id.desktop"
            echo "share/metainfo/$app_id.metainfo.xml"
            for size in 16 24 32 48 64 128 256; do
                echo "share/icons/hicolor/${size}x${size}/apps/$app_id.png"
            done
            echo share/man/man6/dralen.6.gz
            echo share/doc/dralen/copyright
            echo share/doc/dralen/changelog.gz
        } | sort
    )
    actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
    if [ "$expected" != "$actual" ]; then
        diff <(echo "$expected") <(echo "$actual") >&2 || true
        fail "the installed tree differs from the expected one (< expected, > installed)"
    fi
    [ -x "$root/games/dralen" ] || fail "the program is not executable"
    [ "$(find "$stage" -mindepth 1 -maxdepth 1)" = "$stage/usr" ] || fail "something was installed outside the prefix"

    for size in 16 24 32 48 64 128 256; do
        file "$root/share/icons/hicolor/${size}x${size}/apps/$app_id.png" | grep -q "PNG image data, $size x $size," ||
            fail "the ${size}px icon is not a $size x $size PNG"
    done
    gzip -t "$root/share/man/man6/dralen.6.gz" || fail "the manual page is not gzipped"

    # One id names the three; the menu entry starts the program by its name.
    local desktop=$root/share/applications/$app_id.desktop metainfo=$root/share/metainfo/$app_id.metainfo.xml
    grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon"
    grep -qx "Exec=dralen" "$desktop" || fail "the desktop entry starts something else"
    grep -q "<id>$app_id</id>" "$metainfo" || fail "the metadata carries another id"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metadata launches another desktop entry"

    desktop-file-validate "$desktop"
    # No network here: the screenshot's address is checked for form only.
    appstreamcli validate --no-net "$metainfo"
}

# Starts the staged game the way the menu does, with a fresh home, quits it
# with the anti-boss key and looks where its files went.
check_run() {
    local home=$scratch/home before after
    mkdir -p "$home"
    exec 3>"$scratch/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    exec 3>&-
    for _ in $(seq 100); do
        [ -s "$scratch/display" ] && break
        sleep 0.1
    done
    [ -s "$scratch/display" ] || fail "Xvfb did not start"
    local display=:$(head -n1 "$scratch/display")

    before=$(cd "$root" && find . | sort)
    local command
    command=$(sed -n 's/^Exec=//p' "$root/share/applications/$app_id.desktop")
    # No session bus here: with dbus-x11 installed, D-Bus would autolaunch
    # one and leave .dbus/ in the home, which is no file of the game's.
    start_installed_game() {
        (
            cd "$home"
            exec env -i HOME="$home" PATH="$root/games:/usr/bin:/bin" DISPLAY="$display" \
                SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=disabled: $command
        ) >"$scratch/game.log" 2>&1 &
        game=$!
        window=""
        for _ in $(seq 150); do
            window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Dralen$' 2>/dev/null | head -n1) || true
            [ -n "$window" ] && break
            kill -0 "$game" 2>/dev/null || { cat "$scratch/game.log" >&2; fail "the game ended before its window showed"; }
            sleep 0.1
        done
        [ -n "$window" ] || fail "no window within 15 s"
    }
    local window
    start_installed_game
    # A window that has only just appeared may not take keys yet: the key is
    # sent again while the game keeps running.
    for _ in 1 2 3; do
        DISPLAY=$display xdotool windowfocus --sync "$window" 2>/dev/null || true
        DISPLAY=$display xdotool key Escape 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$game" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    if kill -0 "$game" 2>/dev/null; then
        fail "the game did not quit on Esc within 15 s"
    fi
    wait "$game" || fail "the game ended with status $?: $(cat "$scratch/game.log")"
    game=""

    [ -s "$home/.local/state/dralen/autosave.sav" ] || fail "no autosave.sav in ~/.local/state/dralen"
    [ -s "$home/.config/dralen/dralen.cfg" ] || fail "no dralen.cfg in ~/.config/dralen"
    after=$(cd "$root" && find . | sort)
    [ "$before" = "$after" ] || fail "files appeared beside the program: $(diff <(echo "$before") <(echo "$after"))"
    local stray
    stray=$(cd "$home" && find . -mindepth 1 -maxdepth 1 ! -name .config ! -name .local)
    [ -z "$stray" ] || fail "files appeared in the working directory: $stray"
    local mode
    mode=$(stat -c %a "$home/.local/state/dralen")
    [ "$mode" = 700 ] || fail "~/.local/state/dralen is readable by others ($mode)"

    # The end of the session (SIGTERM) takes the same exit: the game and the
    # options are kept.
    rm -f "$home/.local/state/dralen/autosave.sav" "$home/.config/dralen/dralen.cfg"
    start_installed_game
    sleep 1
    kill -TERM "$game"
    wait "$game" || fail "on SIGTERM the game ended with status $?: $(cat "$scratch/game.log")"
    game=""
    [ -s "$home/.local/state/dralen/autosave.sav" ] || fail "SIGTERM wrote no autosave.sav"
    [ -s "$home/.config/dralen/dralen.cfg" ] || fail "SIGTERM wrote no dralen.cfg"
}

check_package() {
    (cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
    local debs=("$scratch"/package/dralen_*_*.deb)
    [ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no single dralen_<version>_<arch>.deb"
    local depends
    depends=$(dpkg-deb -f "${debs[0]}" Depends)
    echo "Depends: $depends"
    grep -q 'libqt6widgets6' <<<"$depends" || fail "the library dependencies were not found"
    grep -q 'timgm6mb-soundfont | sf3-soundfont-gm' <<<"$depends" || fail "no General MIDI soundfont dependency"
    [ "$(dpkg-deb -f "${debs[0]}" Section)" = games ] || fail "not in section games"
    # Root is warned against running lintian; that note is no finding.
    lintian --fail-on error,warning --display-level ">=warning" "${debs[0]}" 2> >(grep -v 'root privileges' >&2)
}

case $mode in
tree) check_tree ;;
run) check_run ;;
package) check_package ;;
*) fail "unknown mode $mode" ;;
esac
echo "OK: $mode"
