// The Windows front end's main window: the window procedure, the menu bar
// built from the shared menu tree, the painting of the play area from a DIB
// section, the keys and clicks, and the start-up and exit of the game.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Sent by the game thread after a game over: the window starts the next game.
constexpr UINT WM_NEWGAME = WM_USER + 1;

extern HINSTANCE appInstance;
extern HWND mainWindow;

// Start-up on the window thread: folders, configuration, the automatic save
// or the first game, the window and the threads. False when the window could
// not be made.
bool startGame(HINSTANCE instance, int showCommand);

// Runs the message loop until the window is gone, then writes the
// configuration. Returns the program's exit code.
int runMessageLoop();

// UTF-8 inside the game, UTF-16 for every W call.
std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);
