// The skins' bitmaps, read from the program's BITMAP resources (the same
// .bmp files as on Linux) and handed to the renderer.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// Window thread, at start-up, before the first paint. A bitmap that is
// missing draws nothing, as on Linux.
void loadSkinBitmapsFromResources(HINSTANCE instance);
