// The eight graphical styles: a tile image and a words-and-digits image each,
// drawn at the skin's cell size. The images are plain pixels that the front
// end hands in (setSkinBitmaps), loaded from its own resources by name.
#pragma once

#include "core/skinsizes.h"
#include "render/bitmap.h"

#include <array>
#include <cstdint>

// Tile columns beyond the four cell codes.
enum TileColumn : int32_t {
    TILE_PROJECTION = 4,  // a cell of the projected landing position
    TILE_BORDER = 5,      // frame and separators of the side panel
};

struct Skin {
    Bitmap blocksBitmap;         // empty until handed in, and when loading failed
    const char* blocksResource;  // the image's resource name, "BLOCKS_NEON"; the file adds ".bmp"
    Bitmap wordsBitmap;
    const char* wordsResource;
    int32_t cellSize;
    // 4: sixteen tile rows, chosen by each cell's neighbour mask; anything
    // else: one tile row for every cell.
    int32_t neighbourMode;
};

extern std::array<Skin, skinCount> skinTable;
// Menu captions, in skin index order.
extern const std::array<const char*, skinCount> skinNames;

// Hands the skin its two images, loaded by the front end from the resources
// named in the table; an empty bitmap draws nothing. An index out of range
// is ignored. Window thread, before the first paint or under gameLock.
void setSkinBitmaps(int32_t index, Bitmap blocks, Bitmap words);

// Lets go of every skin image at shutdown. Window thread.
void releaseSkinBitmaps();

// Makes the skin current: skinIndex and cellSize. Callers hold gameLock and
// resize the window afterwards.
void selectSkin(int32_t index);

// The current skin; an index out of range falls back to the first skin.
const Skin& currentSkin();
