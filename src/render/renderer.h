// Composes one whole frame of the play area from the current skin's tiles:
// the field turned for the gravity direction, the side panel with the
// predicted shapes, the projection, the status word and the score.
#pragma once

#include "render/bitmap.h"

#include <array>
#include <cstdint>
#include <vector>

// Which screen neighbours of a drawn cell hold the same code.
enum NeighbourMask : int32_t {
    MASK_LEFT = 1,
    MASK_UP = 2,
    MASK_RIGHT = 4,
    MASK_DOWN = 8,
};

// Rebuilt at every paint.
extern std::vector<int32_t> fieldMasks;
extern std::array<std::vector<int32_t>, 10> queueMasks;

// Draws the whole play area (playAreaWidth x playAreaHeight) into the frame,
// which should be that size; whatever falls outside it is clipped. Pixels the
// frame leaves alone keep what they held. Called by the window's paint with
// gameLock held: it may recompute the projection.
void paintPlayArea(FrameView frame);

// Fills the mask grid for a grid of cells, in screen orientation. Wrap joins
// blocks across the left and right edge (never fixed ones), as the field's
// columns wrap around. All zeros for a one-row skin.
void computeNeighbourMasks(std::vector<int32_t>& masks, const std::vector<int32_t>& cells,
                           int32_t width, int32_t height, bool wrap);

// A mask in field orientation turned to the screen for the current gravity.
int32_t rotateMaskToScreen(int32_t mask);

// A pixel position in the play area.
struct ScreenPoint {
    int32_t x = 0, y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Top-left pixel of a cell of a width x height grid drawn from the origin,
// turned for the current gravity.
ScreenPoint toScreen(int32_t column, int32_t row, int32_t width, int32_t height, ScreenPoint origin);

// True when the cell lies in the field.
bool cellInField(int32_t column, int32_t row);

// The pieces of a frame, drawing into the frame that paintPlayArea is filling.
void drawProjection();
void drawTile(int32_t x, int32_t y, int32_t column, int32_t row);
// Copies a rectangle of the image into the frame being painted, clipped to
// both; an empty image, or no frame being painted, draws nothing.
void blitBitmap(const Bitmap& bitmap, int32_t x, int32_t y, int32_t sourceX, int32_t sourceY,
                int32_t width, int32_t height);
