// Where the game's files are. Started from a folder that holds levels/, the
// game is portable and keeps everything in that folder, as it always did.
// Started anywhere else it is installed: it reads its data from beside the
// program and keeps the player's files in the player's own folders.
#pragma once

#include "core/services.h"

#include <QString>

// Fills gameDirectory and, for an installed game, installedFolders. The first
// step of start-up, on the window thread, before any file is read.
void findGameFolders();

// The folders of an installed game whose program lies in programFolder: the
// data installed beside it, the configuration in $XDG_CONFIG_HOME/dralen, the
// automatic save in $XDG_STATE_HOME/dralen and the player's other files in
// $XDG_DATA_HOME/dralen (or what the platform has in their place).
GameFolders installedLayout(const QString& programFolder);

// Where the Save and Load dialogs open while the player has not chosen a name
// in them yet: the documents folder for an installed game, and for a portable
// one an empty string, the working directory, as it always was.
QString fileDialogFolder();
