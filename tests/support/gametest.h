// Fixture and picture helpers shared by the game-logic tests.
#pragma once

#include "core/folders.h"
#include "core/gamestate.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Field pictures, one string a row: '.' empty, '#' fixed, 'o' placed, 'x' active.
inline char cellChar(int32_t code)
{
    switch (code) {
    case CELL_EMPTY: return '.';
    case CELL_FIXED: return '#';
    case CELL_PLACED: return 'o';
    case CELL_ACTIVE: return 'x';
    default: return '?';
    }
}

inline int32_t charCell(char c)
{
    switch (c) {
    case '#': return CELL_FIXED;
    case 'o': return CELL_PLACED;
    case 'x': return CELL_ACTIVE;
    default: return CELL_EMPTY;
    }
}

// Sets the field size and contents from a picture; the work grids follow.
inline void setField(const std::vector<std::string>& rows)
{
    game.fieldHeight = static_cast<int32_t>(rows.size());
    game.fieldWidth = static_cast<int32_t>(rows.front().size());
    game.cellCount = game.fieldWidth * game.fieldHeight;
    game.fieldCells.clear();
    for (const std::string& row : rows)
        for (char c : row)
            game.fieldCells.push_back(charCell(c));
    game.scratchCells.assign(game.cellCount, CELL_EMPTY);
    game.projectionCells.assign(game.cellCount, CELL_EMPTY);
}

inline std::vector<std::string> pictureOf(const std::vector<int32_t>& grid, int32_t width)
{
    std::vector<std::string> rows;
    for (size_t i = 0; i < grid.size(); i += width) {
        std::string row;
        for (int32_t c = 0; c < width; ++c)
            row += cellChar(grid[i + c]);
        rows.push_back(row);
    }
    return rows;
}

inline std::vector<std::string> fieldPicture()
{
    return pictureOf(game.fieldCells, game.fieldWidth);
}

inline int countCells(const std::vector<int32_t>& grid, int32_t code)
{
    int n = 0;
    for (int32_t v : grid)
        n += v == code;
    return n;
}

// Every test starts from the record's initial values, a fake clock and a
// recorder in place of the sound player.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        game = GameState{};
        // No files of an earlier test's folder: a game over writes scores.
        gameDirectory.clear();
        installedFolders = {};
        fakeClock::install();
        soundLog::install();
    }
};
