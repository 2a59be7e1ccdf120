// The game thread: a tick every 10 ms that polls the movement keys and steps
// the game, and the end of a game.
#pragma once

#include "persist/halloffame.h"

#include <cstddef>

// One tick of play: spawns when no shape falls (after the random events and
// field effects had their chance), otherwise turns, shifts and lets the shape
// fall by its pixel position, landing it when it is blocked. True when
// something visible changed. Called on the game thread with gameLock held and
// gameMode MODE_PLAYING.
bool gameStep();

// The body of the game thread; returns once stopGameThread asks it to.
void gameThreadMain();

// Starts and stops the game thread (window thread). Stopping wakes it from
// its sleep and joins it; it must not be called while the window thread holds
// gameLock, and a front end whose message boxes block the game thread must
// close them first.
void startGameThread();
void stopGameThread();
bool gameThreadStopRequested();

// How a new game is asked for after a game over: the window installs a call
// that starts it on the window thread under gameLock and returns once it has.
// Without one (tests, no window) the game thread starts it itself.
void installNewGameRequest(void (*request)());

// How a score that entered the Hall of Fame is shown after the score box: the
// window installs a call that opens the table of these rules with the entry
// at this place highlighted and returns once it is closed. Called on the game
// thread without gameLock; without one nothing is shown.
void installHallOfFameRequest(void (*request)(const Difficulty& rules, const HallEntry& entry));

// While a replay is watched, each tick of the game thread plays this instead
// of the player's game, which rests; the call takes gameLock itself and no
// game over of the replay ends a game. nullptr: the player's game again.
void installWatchTick(void (*tick)());
// Plays that tick now, as the game thread does; false when no replay is
// watched.
bool runWatchTick();
