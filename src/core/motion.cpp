#include "core/motion.h"

#include <algorithm>

namespace {

bool isObstacle(int32_t code)
{
    return code == CELL_FIXED || code == CELL_PLACED;
}

void clearScratch()
{
    game.scratchCells.assign(game.cellCount, CELL_EMPTY);
}

int32_t wrapColumn(int32_t column)
{
    const int32_t w = game.fieldWidth;
    return ((column % w) + w) % w;
}

// Indices of the rows of the shape's box that lie inside the field.
struct Range {
    int32_t begin, end;
};

Range boxRowRange()
{
    const int64_t w = game.fieldWidth;
    const int64_t begin = std::max<int64_t>(0, w * game.shapeRow);
    const int64_t end = std::min<int64_t>(game.cellCount, (int64_t(game.shapeRow) + game.shapeBoxSize) * w);
    return {static_cast<int32_t>(begin), static_cast<int32_t>(std::max(begin, end))};
}

// True when every turned cell of the scratch grid, moved by the given rows and
// columns, lands inside the field on a free cell.
bool turnedShapeFits(Range range, int32_t rowOffset, int32_t columnOffset)
{
    const int32_t w = game.fieldWidth;
    for (int32_t i = range.begin; i < range.end; ++i) {
        if (game.scratchCells[i] != CELL_ACTIVE)
            continue;
        const int32_t row = i / w - rowOffset;
        if (row < 0 || row >= game.fieldHeight)
            return false;
        if (isObstacle(game.fieldCells[row * w + wrapColumn(i % w + columnOffset)]))
            return false;
    }
    return true;
}

// Rebuilds the scratch grid with the turned shape moved, then commits it.
void commitMovedTurn(Range range, int32_t rowOffset, int32_t columnOffset)
{
    const int32_t w = game.fieldWidth;
    Grid moved(game.cellCount, CELL_EMPTY);
    for (int32_t i = range.begin; i < range.end; ++i)
        if (game.scratchCells[i] == CELL_ACTIVE)
            moved[(i / w - rowOffset) * w + wrapColumn(i % w + columnOffset)] = CELL_ACTIVE;
    game.scratchCells.swap(moved);
    commitScratchShape();
}

bool tryWallKicks(Range range)
{
    const int32_t half = game.shapeBoxSize / 2;
    if (!game.allowWallKicks || half < 1)
        return false;
    for (int32_t step = 1; step <= half; ++step)
        for (int32_t d : {step, -step})
            if (turnedShapeFits(range, 0, d)) {
                commitMovedTurn(range, 0, d);
                game.shapeColumn = wrapColumn(game.shapeColumn + d);
                game.shapeX = game.cellSize * game.shapeColumn + game.cellSize / 2;
                return true;
            }
    return false;
}

// Lifts the turned shape, never above row 0; the fraction of the fall so far
// stays in shapeY.
bool tryGroundKicks(Range range)
{
    if (!game.allowGroundKicks)
        return false;
    const int32_t lift = std::min(game.shapeBoxSize / 2, game.shapeRow);
    for (int32_t k = 1; k <= lift; ++k)
        if (turnedShapeFits(range, k, 0)) {
            commitMovedTurn(range, k, 0);
            game.shapeRow -= k;
            game.shapeY -= k * game.cellSize;
            return true;
        }
    return false;
}

}  // namespace

void commitScratchShape()
{
    for (int32_t i = 0; i < game.cellCount; ++i) {
        if (game.fieldCells[i] == CELL_ACTIVE)
            game.fieldCells[i] = CELL_EMPTY;
        if (game.scratchCells[i] == CELL_ACTIVE)
            game.fieldCells[i] = CELL_ACTIVE;
    }
}

bool shiftActiveShape(int32_t dx)
{
    const int32_t w = game.fieldWidth;
    clearScratch();
    for (int32_t i = 0; i < game.cellCount; ++i) {
        if (game.fieldCells[i] != CELL_ACTIVE)
            continue;
        const int32_t target = i - i % w + wrapColumn(i % w + dx);
        if (isObstacle(game.fieldCells[target]))
            return false;
        game.scratchCells[target] = CELL_ACTIVE;
    }
    game.shapeColumn = wrapColumn(game.shapeColumn + dx);
    commitScratchShape();
    return true;
}

bool fallActiveShape(int32_t dy)
{
    const int32_t w = game.fieldWidth;
    clearScratch();
    for (int32_t i = 0; i < game.cellCount; ++i) {
        if (game.fieldCells[i] != CELL_ACTIVE)
            continue;
        const int32_t row = i / w;
        if ((row == 0 && dy < 0) || (row == game.fieldHeight - 1 && dy > 0))
            continue;  // leaves the field
        const int32_t target = i + dy * w;
        if (isObstacle(game.fieldCells[target]))
            return false;
        game.scratchCells[target] = CELL_ACTIVE;
    }
    game.shapeRow += dy;
    commitScratchShape();
    return true;
}

bool rotateActiveShape(int32_t direction)
{
    if (direction < ROTATE_CCW || direction > ROTATE_CW)
        return false;
    const int32_t s = game.shapeBoxSize;
    const int32_t w = game.fieldWidth;
    clearScratch();
    for (int32_t i = 0; i < s; ++i)
        for (int32_t j = 0; j < s; ++j) {
            const int32_t row = game.shapeRow + i;
            if (row < 0 || row >= game.fieldHeight)
                continue;
            if (game.fieldCells[row * w + wrapColumn(game.shapeColumn + j)] != CELL_ACTIVE)
                continue;
            int32_t newRow = 0, newColumn = 0;
            switch (direction) {
            case ROTATE_CCW: newRow = s - 1 - j; newColumn = i; break;
            case ROTATE_180: newRow = s - 1 - i; newColumn = s - 1 - j; break;
            case ROTATE_CW: newRow = j; newColumn = s - 1 - i; break;
            }
            const int32_t targetRow = game.shapeRow + newRow;
            // A turn that would push a block over the top or through the floor
            // is refused outright; no kick can mend it.
            if (targetRow < 0 || targetRow >= game.fieldHeight)
                return false;
            game.scratchCells[targetRow * w + wrapColumn(game.shapeColumn + newColumn)] = CELL_ACTIVE;
        }

    const Range range = boxRowRange();
    if (turnedShapeFits(range, 0, 0)) {
        commitScratchShape();
        return true;
    }
    return tryWallKicks(range) || tryGroundKicks(range);
}

void computeProjection()
{
    const int32_t w = game.fieldWidth;
    const int32_t h = game.fieldHeight;
    Grid& projection = game.projectionCells;
    projection = game.fieldCells;
    game.projectedRow = game.shapeRow;

    bool blocked = false;
    while (game.projectedRow < h && !blocked) {
        const int32_t firstRow = std::max(game.projectedRow, 0);
        const int32_t lastRow = std::min(game.projectedRow + game.shapeBoxSize - 1, h - 2);
        for (int32_t i = (lastRow + 1) * w - 1; i >= firstRow * w && !blocked; --i) {
            if (projection[i] != CELL_ACTIVE)
                continue;
            if (isObstacle(projection[i + w])) {
                blocked = true;
                break;
            }
            projection[i + w] = CELL_ACTIVE;
            projection[i] = CELL_EMPTY;
        }
        if (!blocked)
            ++game.projectedRow;
    }

    if (!blocked) {
        // The shape would fall out of the field.
        std::replace(projection.begin(), projection.end(), int32_t(CELL_ACTIVE), int32_t(CELL_EMPTY));
        return;
    }

    projection = game.fieldCells;
    std::replace(projection.begin(), projection.end(), int32_t(CELL_ACTIVE), int32_t(CELL_EMPTY));
    const int32_t drop = game.projectedRow - game.shapeRow;
    for (int32_t i = 0; i < game.cellCount; ++i)
        if (game.fieldCells[i] == CELL_ACTIVE && i / w + drop < h)
            projection[i + drop * w] = CELL_ACTIVE;
}

void dropToProjection()
{
    computeProjection();
    if (game.projectedRow == game.shapeRow)
        return;
    game.fieldCells = game.projectionCells;
    game.shapeY += (game.projectedRow - game.shapeRow) * game.cellSize;
    game.shapeRow = game.projectedRow;
}
