// What must hold of the game record after every step, whatever happened.
#pragma once

#include "core/gamestate.h"

#include <algorithm>
#include <cmath>
#include <string>

// Empty when all is well, else what is wrong.
inline std::string brokenInvariant()
{
    const int32_t w = game.fieldWidth;
    const int32_t h = game.fieldHeight;
    if (w < 1 || h < 1)
        return "field size";
    if (game.cellCount != w * h)
        return "cellCount";
    const size_t cells = static_cast<size_t>(game.cellCount);
    if (game.fieldCells.size() != cells || game.scratchCells.size() != cells
        || game.projectionCells.size() != cells)
        return "grid sizes";
    for (int32_t cell : game.fieldCells)
        if (cell < CELL_EMPTY || cell > CELL_ACTIVE)
            return "cell code " + std::to_string(cell);
    for (int32_t cell : game.projectionCells)
        if (cell < CELL_EMPTY || cell > CELL_ACTIVE)
            return "projection cell " + std::to_string(cell);
    // The scratch grid only ever holds a shape being moved.
    for (int32_t cell : game.scratchCells)
        if (cell != CELL_EMPTY && cell != CELL_ACTIVE)
            return "scratch cell " + std::to_string(cell);

    const size_t matrix = static_cast<size_t>(game.maxShapeExtent) * game.maxShapeExtent;
    for (const ShapeMatrix& entry : game.shapeQueue) {
        if (entry.size() != matrix)
            return "queue entry size";
        for (int32_t cell : entry)
            if (cell != CELL_EMPTY && cell != CELL_ACTIVE)
                return "queue cell " + std::to_string(cell);
    }

    if (fieldContains(game.fieldCells, CELL_ACTIVE)) {
        // Shapes and dropped pictures leave a wall's width either side, and a
        // saved game with a larger box does not load again.
        const int32_t box = game.shapeBoxSize;
        if (box < 1 || box > std::min(w, h) - 2)
            return "shape box size " + std::to_string(box);
        if (game.shapeColumn < 0 || game.shapeColumn >= w)
            return "shape column " + std::to_string(game.shapeColumn);
        if (game.shapeRow >= h || game.shapeRow + box <= 0)
            return "shape row " + std::to_string(game.shapeRow);
        // Turns and projections only see the box: a block outside it would be
        // lost or left hanging. The box wraps around the sides with the field.
        for (int32_t i = 0; i < game.cellCount; ++i) {
            if (game.fieldCells[i] != CELL_ACTIVE)
                continue;
            const int32_t row = i / w - game.shapeRow;
            const int32_t column = ((i % w - game.shapeColumn) % w + w) % w;
            if (row < 0 || row >= box || column >= box)
                return "active cell " + std::to_string(i) + " outside the shape box";
        }
    }
    if (!std::isfinite(game.shapeX) || !std::isfinite(game.shapeY))
        return "shape position";
    if (!std::isfinite(game.fallSpeed) || game.fallSpeed <= 0)
        return "fall speed";
    if (game.gameMode < MODE_PLAYING || game.gameMode > MODE_EDITOR)
        return "game mode";
    if (game.score < 0)
        return "score";
    return {};
}
