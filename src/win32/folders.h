// Where the Windows game's files are. The unpacked zip carries a file
// "dralen-portable.txt" beside the program: that game keeps everything in its
// own folder. A program without data beside it, started from a folder that
// holds levels/, keeps everything in that folder, as the classic game did.
// Otherwise, as installed, it reads its data from beside the program and
// keeps the player's files in the player's own folders: options, settings and
// the Hall of Fame in %APPDATA%\Dralen, the automatic save in
// %LOCALAPPDATA%\Dralen. It never writes into its program folder.
#pragma once

#include <string>

// Fills gameDirectory and, for an installed game, installedFolders. The first
// step of start-up, before any file is read.
void findGameFolders();

// Where the Save and Load dialogs open: the documents folder for an installed
// game, nothing (the working directory) for a portable one.
std::wstring fileDialogFolder();
