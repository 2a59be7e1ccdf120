// Where the game's files are. Started from a folder that holds levels/, a
// game with no data installed beside it is portable and keeps everything in
// that folder, as it always did. Started anywhere else, or installed, it
// reads its data from beside the program and keeps the player's files in the
// player's own folders.
#pragma once

#include "core/folders.h"

#include <QString>

#include <filesystem>

// The player's home folder: $HOME, else the one the user database names for
// the user; empty when neither names one.
QString homeFolder();

// Whether the game whose program lies in programFolder, started in
// workingDirectory, runs portably: only when no data is installed beside the
// program and the working directory holds levels/.
bool runsPortably(const QString& programFolder, const std::filesystem::path& workingDirectory);

// Fills gameDirectory and, for an installed game, installedFolders under
// home. Without a home folder the game keeps no files and tells the player
// so, once. The first step of start-up, on the window thread, before any file
// is read.
void findGameFolders(const QString& home = homeFolder());

// The folders of an installed game whose program lies in programFolder: the
// data installed beside it, the configuration in $XDG_CONFIG_HOME/dralen, the
// automatic save in $XDG_STATE_HOME/dralen and the player's other files in
// $XDG_DATA_HOME/dralen (or what the platform has in their place). Each XDG
// folder that is unset or relative has its default under home; without a
// home there are no folders for the player's files at all.
GameFolders installedLayout(const QString& programFolder, const QString& home = homeFolder());

// Where the Save and Load dialogs open while the player has not chosen a name
// in them yet: the documents folder for an installed game, and for a portable
// one an empty string, the working directory, as it always was.
QString fileDialogFolder();
