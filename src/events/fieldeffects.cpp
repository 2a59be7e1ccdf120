#include "events/fieldeffects.h"

#include <algorithm>

namespace {

// Chance in 100 per roll, by frequency.
bool effectFires(int32_t effect)
{
    static constexpr int32_t chance[] = {0, 2, 10, 30};
    const int32_t frequency = game.effectFrequency[effect];
    const int32_t draw = randomBelow(100);
    return frequency >= FREQ_RARELY && frequency <= FREQ_OFTEN && draw < chance[frequency];
}

// Each placed block turns into the given code with the given chance in 100.
void transformPlacedBlocks(int32_t into, int32_t chance)
{
    for (int32_t i = game.cellCount - 1; i >= 0; --i)
        if (game.fieldCells[i] == CELL_PLACED && randomBelow(100) < chance)
            game.fieldCells[i] = into;
}

bool rowHoldsPlacedBlock(int32_t row)
{
    const auto first = game.fieldCells.begin() + int64_t(row) * game.fieldWidth;
    return std::find(first, first + game.fieldWidth, int32_t(CELL_PLACED)) != first + game.fieldWidth;
}

}  // namespace

void applyFieldEffects()
{
    if (effectFires(EFFECT_FLOOD)) {
        raiseField(1);
        return;
    }
    if (effectFires(EFFECT_EROSION)) {
        transformPlacedBlocks(CELL_EMPTY, 10);
        return;
    }
    if (effectFires(EFFECT_PETRIFICATION))
        transformPlacedBlocks(CELL_FIXED, 3);
}

void raiseField(int32_t rows)
{
    const int32_t w = game.fieldWidth;
    const int32_t h = game.fieldHeight;
    if (rows < 1)
        return;
    rows = std::min(rows, h);
    Grid& cells = game.fieldCells;

    const int32_t shift = rows * w;
    for (int32_t i = 0; i < game.cellCount - shift; ++i)
        if (cells[i] != CELL_FIXED)
            cells[i] = cells[i + shift] == CELL_PLACED ? CELL_PLACED : CELL_EMPTY;

    // The refill starts under the lowest row that still holds a placed block.
    // When no row does (an empty heap was raised), the bottom rows that the
    // shift vacated are refilled instead.
    int32_t firstRefillRow = h - rows;
    for (int32_t row = h - 1; row >= 0; --row)
        if (rowHoldsPlacedBlock(row)) {
            firstRefillRow = row + 1;
            break;
        }
    for (int32_t i = firstRefillRow * w; i < game.cellCount; ++i)
        if (cells[i] != CELL_FIXED)
            cells[i] = randomBelow(2) == 0 ? CELL_PLACED : CELL_EMPTY;
}
