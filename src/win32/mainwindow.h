// The Windows front end's main window: the window procedure, the menu bar
// built from the shared menu tree, the painting of the play area from a DIB
// section, and the platform's half of the shell's port.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

extern HINSTANCE appInstance;
extern HWND mainWindow;

// The shell's start-up with the Windows side. False when the window could not
// be made.
bool startGame(HINSTANCE instance, int showCommand);

// Runs the message loop until the window is gone, then writes the
// configuration. Returns the program's exit code.
int runMessageLoop();
