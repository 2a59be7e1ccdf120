#include "core/landing.h"

#include "core/ports.h"

#include <algorithm>
#include <vector>

namespace {

bool isFilledRow(int32_t row)
{
    const auto first = game.fieldCells.begin() + int64_t(row) * game.fieldWidth;
    const auto last = first + game.fieldWidth;
    // A row of walls and ground alone never counts: only landed blocks make it full.
    return std::find(first, last, int32_t(CELL_EMPTY)) == last
        && std::find(first, last, int32_t(CELL_PLACED)) != last;
}

// Under the adjacent-rows rule only runs of at least minRowsToClear
// consecutive rows go; shorter runs stay in the field.
std::vector<int32_t> chooseRemovedRows(const std::vector<int32_t>& filledRows)
{
    if (game.minRowsToClear <= 1)
        return filledRows;
    std::vector<int32_t> removed;
    size_t runStart = 0;
    for (size_t i = 1; i <= filledRows.size(); ++i) {
        if (i < filledRows.size() && filledRows[i] == filledRows[i - 1] + 1)
            continue;
        if (i - runStart >= game.minRowsToClear)
            removed.insert(removed.end(), filledRows.begin() + runStart, filledRows.begin() + i);
        runStart = i;
    }
    return removed;
}

bool rowsFail(int32_t draw)
{
    switch (game.effectFrequency[EFFECT_ROW_PLACEMENT_FAILURE]) {
    case FREQ_RARELY: return draw < 10;
    case FREQ_SOMETIMES: return draw < 25;
    case FREQ_OFTEN: return draw < 50;
    default: return false;
    }
}

void playCue(const char* file)
{
    if (game.soundsOn)
        playSound(file);
}

}  // namespace

void landActiveShape()
{
    std::replace(game.fieldCells.begin(), game.fieldCells.end(), int32_t(CELL_ACTIVE), int32_t(CELL_PLACED));

    std::vector<int32_t> filledRows;
    for (int32_t row = 0; row < game.fieldHeight; ++row)
        if (isFilledRow(row))
            filledRows.push_back(row);

    if (filledRows.size() < game.minRowsToClear) {
        playCue(SOUND_SHAPE_PLACED);
        return;
    }

    const std::vector<int32_t> removedRows = chooseRemovedRows(filledRows);
    // Tall shapes and dropped pictures can clear more rows than the table
    // knows; they score its top entry.
    const size_t scored = std::min(removedRows.size(), rowScoreTable.size() - 1);
    addToScore(rowScoreTable[scored]);
    if (!removedRows.empty())
        playCue(SOUND_ROW_FILLED);

    if (rowsFail(randomBelow(100))) {
        for (int32_t row : removedRows)
            for (int32_t i = row * game.fieldWidth; i < (row + 1) * game.fieldWidth; ++i)
                if (game.fieldCells[i] == CELL_PLACED && randomBelow(2) == 0)
                    game.fieldCells[i] = CELL_EMPTY;
        return;
    }
    for (int32_t row : removedRows)
        removeRow(row);
}

void removeRow(int32_t row)
{
    if (row < 0 || row >= game.fieldHeight)
        return;
    const int32_t w = game.fieldWidth;
    Grid& cells = game.fieldCells;
    // Fixed cells neither move nor are overwritten, and nothing passes through
    // them: the cell under a fixed cell empties.
    for (int32_t i = (row + 1) * w - 1; i >= w; --i) {
        if (cells[i] == CELL_FIXED)
            continue;
        const int32_t source = cells[i - w];
        cells[i] = source == CELL_FIXED ? int32_t(CELL_EMPTY) : source;
    }
    for (int32_t i = 0; i < w; ++i)
        if (cells[i] != CELL_FIXED)
            cells[i] = CELL_EMPTY;
}
