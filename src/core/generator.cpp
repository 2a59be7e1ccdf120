#include "core/generator.h"

#include "core/motion.h"

#include <algorithm>

namespace {

struct Box {
    int32_t left, right, top, bottom;  // inclusive
};

// An empty matrix yields a box of zero or negative size, which places nothing.
Box boundingBox(const ShapeMatrix& matrix, int32_t m)
{
    Box box{m - 1, 0, m - 1, 0};
    for (int32_t r = 0; r < m; ++r)
        for (int32_t c = 0; c < m; ++c)
            if (matrix[r * m + c] == CELL_ACTIVE) {
                box.left = std::min(box.left, c);
                box.right = std::max(box.right, c);
                box.top = std::min(box.top, r);
                box.bottom = std::max(box.bottom, r);
            }
    return box;
}

bool isShattered(int32_t draw)
{
    switch (game.effectFrequency[EFFECT_SHATTERED_SHAPES]) {
    case FREQ_RARELY: return draw < 5;
    case FREQ_SOMETIMES: return draw < 15;
    case FREQ_OFTEN: return draw < 50;
    default: return false;
    }
}

bool touchesShape(const ShapeMatrix& matrix, int32_t m, int32_t r, int32_t c)
{
    return (c >= 1 && matrix[r * m + c - 1] == CELL_ACTIVE)
        || (c + 1 < m && matrix[r * m + c + 1] == CELL_ACTIVE)
        || (r >= 1 && matrix[(r - 1) * m + c] == CELL_ACTIVE)
        || (r + 1 < m && matrix[(r + 1) * m + c] == CELL_ACTIVE);
}

// Moves the shape toward the middle of the matrix when the free space on one
// side exceeds the other by more than one; odd leftovers stay on the side the
// shape came from.
int32_t centringShift(int32_t before, int32_t after)
{
    if (before - after > 1)
        return (after + before) / 2 - before;
    if (after - before > 1)
        return after - (after + before) / 2;
    return 0;
}

}  // namespace

void generateShape(ShapeMatrix& matrix)
{
    const int32_t m = game.maxShapeExtent;
    matrix.assign(static_cast<size_t>(m) * m, CELL_EMPTY);
    if (m < 1)
        return;

    int32_t blocks = game.minBlocks + randomBelow(game.maxBlocks - game.minBlocks + 1);
    // More blocks than the matrix holds would never finish growing.
    blocks = std::min(blocks, m * m);
    const bool shattered = isShattered(randomBelow(100));

    matrix[(m / 2) * (m + 1)] = CELL_ACTIVE;
    for (int32_t count = 1; count < blocks;) {
        const int32_t c = randomBelow(m);
        const int32_t r = randomBelow(m);
        if (!shattered && !touchesShape(matrix, m, r, c))
            continue;
        if (matrix[r * m + c] == CELL_EMPTY) {
            matrix[r * m + c] = CELL_ACTIVE;
            ++count;
        }
    }

    const Box box = boundingBox(matrix, m);
    const int32_t dx = centringShift(box.left, m - (box.right + 1));
    const int32_t dy = centringShift(box.top, m - (box.bottom + 1));
    if (dx == 0 && dy == 0)
        return;
    ShapeMatrix moved(matrix.size(), CELL_EMPTY);
    for (int32_t r = box.top; r <= box.bottom; ++r)
        for (int32_t c = box.left; c <= box.right; ++c)
            moved[(r + dy) * m + c + dx] = matrix[r * m + c];
    matrix.swap(moved);
}

bool spawnNextShape()
{
    const int32_t m = game.maxShapeExtent;
    const ShapeMatrix& next = game.shapeQueue[0];
    if (static_cast<int32_t>(next.size()) < m * m)
        return false;

    Box box = boundingBox(next, m);
    const int32_t w = box.right + 1 - box.left;
    const int32_t h = box.bottom + 1 - box.top;
    int32_t bottomEnd = box.bottom + 1;  // exclusive
    int32_t rightEnd = box.right + 1;    // exclusive
    game.shapeBoxSize = std::max(w, h);
    if (h < w) {
        const int32_t d = w - h;
        box.top -= d / 2;
        bottomEnd += d - d / 2;
    } else if (h > w) {
        const int32_t d = h - w;
        box.left -= d / 2;
        rightEnd += d - d / 2;
    }

    game.shapeColumn = game.fieldWidth / 2 - game.shapeBoxSize / 2;
    game.shapeRow = box.top < 0 ? box.top : 0;
    game.shapeX = game.cellSize * game.shapeColumn + game.cellSize / 2;
    game.shapeY = game.cellSize * game.shapeRow + game.cellSize / 2;

    for (int32_t r = std::max(box.top, 0); r < bottomEnd && r < m; ++r)
        for (int32_t c = std::max(box.left, 0); c < rightEnd && c < m; ++c) {
            if (next[r * m + c] != CELL_ACTIVE)
                continue;
            const int64_t index = int64_t(r - box.top) * game.fieldWidth + game.shapeColumn + (c - box.left);
            if (index < 0 || index >= game.cellCount || game.fieldCells[index] != CELL_EMPTY)
                return false;
            game.fieldCells[index] = CELL_ACTIVE;
        }

    if (game.suddenMode)
        dropToProjection();

    std::move(game.shapeQueue.begin() + 1, game.shapeQueue.end(), game.shapeQueue.begin());
    generateShape(game.shapeQueue[queueLength - 1]);
    game.projectionDirty = true;
    return true;
}
