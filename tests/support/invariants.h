// What must hold of the game record after every step, whatever happened.
#pragma once

#include "core/gamestate.h"

#include <string>

// Empty when all is well, else what is wrong.
inline std::string brokenInvariant()
{
    if (game.fieldWidth < 1 || game.fieldHeight < 1)
        return "field size";
    if (game.cellCount != game.fieldWidth * game.fieldHeight)
        return "cellCount";
    const size_t cells = static_cast<size_t>(game.cellCount);
    if (game.fieldCells.size() != cells || game.scratchCells.size() != cells)
        return "grid sizes";
    for (int32_t cell : game.fieldCells)
        if (cell < CELL_EMPTY || cell > CELL_ACTIVE)
            return "cell code " + std::to_string(cell);
    const size_t matrix = static_cast<size_t>(game.maxShapeExtent) * game.maxShapeExtent;
    for (const ShapeMatrix& entry : game.shapeQueue) {
        if (entry.size() != matrix)
            return "queue entry size";
        for (int32_t cell : entry)
            if (cell != CELL_EMPTY && cell != CELL_ACTIVE)
                return "queue cell " + std::to_string(cell);
    }
    if (fieldContains(game.fieldCells, CELL_ACTIVE)) {
        if (game.shapeBoxSize < 1 || game.shapeBoxSize > game.fieldHeight + game.fieldWidth)
            return "shape box size " + std::to_string(game.shapeBoxSize);
        if (game.shapeColumn < 0 || game.shapeColumn >= game.fieldWidth)
            return "shape column " + std::to_string(game.shapeColumn);
        if (game.shapeRow >= game.fieldHeight || game.shapeRow + game.shapeBoxSize <= 0)
            return "shape row " + std::to_string(game.shapeRow);
    }
    if (game.gameMode < MODE_PLAYING || game.gameMode > MODE_EDITOR)
        return "game mode";
    if (game.score < 0)
        return "score";
    return {};
}
