// The key table the window fills, the polling of the movement keys and the
// window's key-press rule.
#pragma once

#include "core/gamestate.h"
#include "core/keys.h"

#include <array>
#include <cstdint>

// The key table. The window thread reports every key going down or up; the
// game thread queries it. A query answers true when the key is down now or
// went down since the previous query of that key, so a tap between two polls
// is never lost.
void setKeyDown(int32_t virtualKey);    // window thread
void setKeyUp(int32_t virtualKey);      // window thread
void releaseAllKeys();                  // window thread, when the window loses focus
bool queryKey(int32_t virtualKey);      // game thread

// Alt and F10, while no action is bound to them: the keys that take the
// keyboard to the menu bar. They resume no paused game, and while a game is
// played the window keeps them from opening the menu. Window thread.
bool isMenuKey(int32_t virtualKey);

// Reads the three movement keys for the current force direction into the
// shift and fast-fall flags. Called on the game thread under gameLock.
void pollKeys();
// The same for keys held as given (a replay's), by their role.
void applyMoveKeys(bool higherHeld, bool lowerHeld, bool fastFallHeld);

// What the Anti-boss! key does: leave the game at once, through the same path
// as closing the window. The front end installs it; without one the key does
// nothing.
void installExitAction(void (*exitAction)());

// The window thread's rule for a key going down (auto-repeats included):
// Anti-boss! in every mode, any key but a menu key resumes a paused game, and
// while playing the three rotations and Pause. Runs without gameLock: writes
// only gameMode and pendingRotation.
void handleKeyPress(int32_t virtualKey);
