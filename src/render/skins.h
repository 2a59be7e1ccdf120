// The eight graphical styles: a tile image and a words-and-digits image each,
// drawn at the skin's cell size.
#pragma once

#include "core/skinsizes.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <vector>

// Tile columns beyond the four cell codes.
enum TileColumn : int32_t {
    TILE_PROJECTION = 4,  // a cell of the projected landing position
    TILE_BORDER = 5,      // frame and separators of the side panel
};

struct Skin {
    QImage blocksBitmap;  // null until loaded, and when loading failed
    const char* blocksResource;
    QImage wordsBitmap;
    const char* wordsResource;
    int32_t cellSize;
    // 4: sixteen tile rows, chosen by each cell's neighbour mask; anything
    // else: one tile row for every cell.
    int32_t neighbourMode;
};

extern std::array<Skin, skinCount> skinTable;
// Menu captions, in skin index order.
extern const std::array<const char*, skinCount> skinNames;

// Every image loaded, in loading order, so that shutdown can let go of them.
extern std::vector<QImage> loadedBitmaps;

// Loads one image of the program's resources; a null image when it is missing.
QImage loadBitmapResource(const char* name);

// Loads all sixteen images once, when the main window is created. Window thread.
void loadSkinBitmaps();

// Lets go of every loaded image at shutdown. Window thread.
void releaseSkinBitmaps();

// Makes the skin current: skinIndex and cellSize. Callers hold gameLock and
// resize the window afterwards.
void selectSkin(int32_t index);

// The current skin; an index out of range falls back to the first skin.
const Skin& currentSkin();
