// Where the game's files live: the game directory and, when the game is
// installed, the folders of its data and of each player's own files.
#pragma once

#include <filesystem>

// The working directory at start-up. Level files, the automatic save and the
// configuration are opened as gameDirectory / relative name, so a file dialog
// that changes the current directory does not move them.
extern std::filesystem::path gameDirectory;

// Where each kind of file lives when the game is installed rather than run
// from its own folder: the game's data (levels/, sfx/, music/), the
// configuration and the settings beside it, the automatic save, and anything
// else the player keeps. The front end sets them at start-up, before the first
// file is read; an empty one means gameDirectory, as in the portable layout.
// The player's own folders (config, state, player) are made when first asked
// for, so a fresh account needs no set-up; the data folder is only read.
// Without a home folder there is nowhere to keep the player's files:
// keepsFiles is false, configFolder(), stateFolder() and playerFolder() are
// empty, and nothing is read from or written to them.
struct GameFolders {
    std::filesystem::path data, config, state, player;
    bool keepsFiles = true;
};
extern GameFolders installedFolders;
std::filesystem::path dataFolder();
std::filesystem::path configFolder();
std::filesystem::path stateFolder();
std::filesystem::path playerFolder();

// Fills gameDirectory from the working directory. When that cannot be found
// the player is told and the process ends. The first step of start-up.
void findGameDirectory();
