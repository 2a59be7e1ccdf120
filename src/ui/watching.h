// Watching a replay in the play area. The player's own game is put aside
// exactly as it was and comes back paused when the replay ends, when the
// player leaves it (Esc, a menu command, closing the window) or when the
// replay turns out to be of other rules. The shell routes keys, clicks,
// controllers and commands here while a replay is shown.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// The texts the player may see.
inline constexpr const char* replayNotOpenedText = "Couldn't open the replay file";
inline constexpr const char* replayDamagedText = "This file is not a replay of Dralen, or it is damaged";
inline constexpr const char* replayOtherVersionText =
    "This replay was recorded by another version of Dralen and cannot be shown";

// What the watching needs of the window. Window thread, unless it says so.
struct WatchPort {
    // Runs the call on the window thread. Any thread.
    void (*post)(void (*call)());
    void (*setTitle)(const std::string& title);
};
void installWatchPort(const WatchPort& port);

// Shows the replay in the file, whose: the player's name to show (the file's
// own when empty). A file that cannot be shown is said so, and the player's
// game stays. Window thread, under gameLock.
bool watchReplay(const std::filesystem::path& file, const std::string& whose = {});
// Back to the player's game, paused. Window thread, under gameLock.
void stopWatching();
bool watching();

// A replay asked for from a dialog: shown once the dialog has closed, and,
// after a game over, once the next game has started, so that the game the
// player returns to is that one. Window thread.
void requestWatching(const std::filesystem::path& file, const std::string& whose);
void watchRequested();

// While watching: Space, Enter and a click pause and resume; Right and +
// play faster, Left and - slower, from half to eight times the speed; Esc
// ends. True when the key was the viewer's. Window thread.
bool watchKeyDown(int32_t virtualKey);
void watchClick();

// The speed as a factor: 0.5 to 8.
double watchSpeed();
// "Dralen – Alice's game, 1234 points (replay at 2×, paused)", and for a
// moment after the recorded game showed a box, that box's text.
std::string watchTitle();
