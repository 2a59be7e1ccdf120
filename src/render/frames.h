// Frames shown one after another: what a window has to copy to the screen
// when the game's next frame differs from the one it shows in a few pixels.
#pragma once

#include "render/bitmap.h"

#include <cstdint>

struct PixelRect {
    int32_t left = 0, top = 0, width = 0, height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};

// Copies into shown the pixels of the smallest rectangle that holds every
// pixel in which next differs from it, and returns that rectangle; empty
// when they are alike. Both are the same size.
PixelRect copyChangedPixels(FrameView shown, const Bitmap& next);
