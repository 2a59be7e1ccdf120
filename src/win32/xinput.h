// XInput controllers, read from the system's xinput1_4.dll (or
// xinput9_1_0.dll where that is missing) and fed to the key table through
// the same mapping as SDL's controllers on Linux.
#pragma once

#include <windows.h>

// Starts reading the controllers on the window's timer: every 10 ms while
// one is connected, once a second while none is. Window thread.
void startXInput(HWND window);

// The window's WM_TIMER for the controllers. Returns true when it was theirs.
bool handleXInputTimer(HWND window, WPARAM timer);

// Stops reading them and lets go of any binding they hold. Window thread.
void stopXInput(HWND window);
