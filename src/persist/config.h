// The player's options, kept in "dralen.cfg" in the game directory between
// runs: skin, shifting and fast-fall speeds, the on/off options and the keys.
#pragma once

// Reads the options, or takes the defaults when there is no file. Each value
// that does not parse or that the game cannot use falls back to its own
// default; the others are kept. Sets cellSize from the skin. Called on the
// window thread at start-up, before any other thread exists.
void loadConfiguration();

// Writes the options. Failures are silent: the previous file then stays as it
// was. Called on the window thread after the message loop has ended.
void saveConfiguration();
