// Starting a game from the settings the record holds.
#pragma once

// Loads the level file when one is named, otherwise builds sides and ground
// from the settings; then resets speed and score, fills the queue, spawns the
// first shape, resizes the window and shows the tip. Called on the window
// thread under gameLock (menu commands, after a game over), or at start-up
// before the game thread exists.
void startNewGame();
