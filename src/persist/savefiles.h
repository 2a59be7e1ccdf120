// Loading and saving games as files, and the automatic save that carries a
// game over from one run to the next.
#pragma once

#include <filesystem>
#include <string>

// Reads a saved game or level file into the game. False, with the game as it
// was, when the file cannot be opened ("Couldn't open file to load game") or
// is damaged (a message of its own). Called on the window thread under
// gameLock, or at start-up before the game thread exists.
bool loadGameFromFile(const std::filesystem::path& path);

// Writes the game to the file. The old file is replaced only once the new one
// is completely on disk, so a failed save never destroys it; every failure is
// shown to the player and returns false. Takes gameLock while it reads the
// game. Called on the window thread.
bool saveGameToFile(const std::filesystem::path& path);

// Continues the game of the last run from "autosave.sav" in the game
// directory. False, silently and with the game untouched, when there is no
// such file or it is damaged. Called at start-up before the game thread exists.
bool loadAutosave();

// Saves the game to "autosave.sav" in the game directory, holding gameLock
// while it reads the game, so it is safe while the game thread still runs.
// Called on the window thread on the way out.
void writeAutosave();
