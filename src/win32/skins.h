// The skins' bitmaps, read from the program's BITMAP resources (the same
// .bmp files as on Linux) and handed to the renderer.
#pragma once

#include <windows.h>

// Window thread, at start-up, before the first paint. A bitmap that is
// missing draws nothing, as on Linux.
void loadSkinBitmapsFromResources(HINSTANCE instance);
