// The display's scale, asked of each Windows in the way it knows: Windows 10
// per window, Windows 8.1 per monitor, Windows 7 and 8 for the whole system.
// The newer calls are looked up when first needed, so that the program
// loads on Windows 7 too.
#pragma once

#include <windows.h>

// The dots per inch (96 at 100 %) of the monitor the window is on, or of the
// system without a window or where Windows knows no other. Window thread.
UINT dpiOfWindow(HWND window);

// Grows a client rectangle by the frame, caption and (with menu) the menu
// bar's line of a window of this style drawn at dpi. Before Windows 10 they
// are measured at the system's scale, the only one Windows has them for.
void adjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, UINT dpi);
