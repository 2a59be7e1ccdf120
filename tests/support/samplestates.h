// Games in progress built cell by cell, for the tests of saving and loading,
// and the comparisons those tests need.
#pragma once

#include "core/gamestate.h"

#include <algorithm>
#include <cstdint>

// Walls with holes, scattered ground, placed blocks in the lower half, a
// falling two-block shape whose box starts one row above the field, and ten
// different queue shapes. Every setting differs from the record's initial
// value, so a field that is not carried over shows.
inline void setUpGameInProgress(int32_t width = 12, int32_t height = 25, int32_t extent = 4)
{
    game.fieldWidth = width;
    game.fieldHeight = height;
    game.cellCount = width * height;
    game.maxShapeExtent = extent;
    game.maxBlocks = std::min(5, extent * extent);
    game.minBlocks = std::min(3, game.maxBlocks);
    game.minRowsToClear = 2;
    game.initialFallSpeed = 0.15;
    game.fallSpeed = 0.45;
    game.gradualSpeedup = false;
    game.sidesType = SIDES_SMALL_HOLES;
    game.groundType = GROUND_SCATTERED;
    game.forceDirection = FORCE_UP;
    game.suddenMode = true;
    game.invisibilityMode = true;
    game.effectFrequency = {1, 2, 3, 0, 1};
    game.levelFile = "levels/Test.sav";
    game.tipText = "Tip: keep going";
    game.score = 1234;

    game.fieldCells.assign(game.cellCount, CELL_EMPTY);
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) {
            int32_t& cell = game.fieldCells[r * width + c];
            const bool side = c == 0 || c == width - 1;
            if (side && r % 4 != 1)
                cell = CELL_FIXED;
            else if (r == height - 1 && c % 3 == 0)
                cell = CELL_FIXED;
            else if (!side && r >= height / 2 && (r * 7 + c) % 5 == 0)
                cell = CELL_PLACED;
        }
    game.shapeColumn = 2;
    game.shapeRow = -1;
    game.shapeBoxSize = 2;
    game.fieldCells[2] = CELL_ACTIVE;
    game.fieldCells[3] = CELL_ACTIVE;

    for (int32_t k = 0; k < queueLength; ++k) {
        ShapeMatrix& entry = game.shapeQueue[k];
        entry.assign(extent * extent, CELL_EMPTY);
        for (int32_t i = 0; i < extent * extent; ++i)
            if ((i * (k + 3)) % 7 < 3)
                entry[i] = CELL_ACTIVE;
    }
    game.scratchCells.assign(game.cellCount, CELL_EMPTY);
    game.projectionCells.assign(game.cellCount, CELL_EMPTY);
}

// Everything a saved game carries, plus what a load sets or recomputes.
inline bool sameGame(const GameState& a, const GameState& b)
{
    return a.levelFile == b.levelFile && a.tipText == b.tipText && a.fieldWidth == b.fieldWidth
        && a.fieldHeight == b.fieldHeight && a.cellCount == b.cellCount && a.sidesType == b.sidesType
        && a.groundType == b.groundType && a.shapeColumn == b.shapeColumn && a.shapeRow == b.shapeRow
        && a.shapeBoxSize == b.shapeBoxSize && a.score == b.score && a.fallSpeed == b.fallSpeed
        && a.initialFallSpeed == b.initialFallSpeed && a.gradualSpeedup == b.gradualSpeedup
        && a.forceDirection == b.forceDirection && a.suddenMode == b.suddenMode
        && a.invisibilityMode == b.invisibilityMode && a.effectFrequency == b.effectFrequency
        && a.maxBlocks == b.maxBlocks && a.minBlocks == b.minBlocks && a.maxShapeExtent == b.maxShapeExtent
        && a.minRowsToClear == b.minRowsToClear && a.fieldCells == b.fieldCells
        && a.scratchCells.size() == b.scratchCells.size() && a.projectionCells.size() == b.projectionCells.size()
        && a.shapeQueue == b.shapeQueue && a.gameMode.load() == b.gameMode.load() && a.shapeX == b.shapeX
        && a.shapeY == b.shapeY && a.projectionDirty == b.projectionDirty;
}
