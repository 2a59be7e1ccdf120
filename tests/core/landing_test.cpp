#include "core/landing.h"
#include "support/gametest.h"

namespace {

// An 8-wide field with walls and ground; the listed rows are full of placed blocks.
void fieldWithFullRows(int32_t height, const std::vector<int32_t>& placedRows)
{
    std::vector<std::string> rows(height, "#......#");
    rows.back() = "########";
    for (int32_t r : placedRows)
        rows[r] = "#oooooo#";
    setField(rows);
}

}  // namespace

using LandingTest = GameTest;

TEST_F(LandingTest, NonAdjacentRowsBothGoWhenOneIsEnough)
{
    std::vector<std::string> rows(40, "#......#");
    rows[37] = "#ooo.oo#";
    rows[38] = "#o.oooo#";
    rows[39] = "#oooo.o#";
    setField(rows);
    game.fieldCells[37 * 8 + 4] = CELL_ACTIVE;
    game.fieldCells[39 * 8 + 5] = CELL_ACTIVE;

    landActiveShape();
    EXPECT_EQ(game.score, 3);
    const auto after = fieldPicture();
    EXPECT_EQ(after[39], "#o.oooo#") << "the gapped row sank into the bottom row";
    EXPECT_EQ(after[38], "#......#");
    EXPECT_EQ(countCells(game.fieldCells, CELL_PLACED), 5);
    EXPECT_EQ(soundLog::played(), std::vector<std::string>{"sfx/row_filled.wav"});
}

TEST_F(LandingTest, AdjacentRowsRuleRemovesOnlyLongEnoughRuns)
{
    game.minRowsToClear = 2;
    fieldWithFullRows(40, {30, 31, 32, 35});
    game.fieldCells[29 * 8 + 1] = CELL_ACTIVE;  // lands on top of the heap
    landActiveShape();
    EXPECT_EQ(game.score, 10);
    const auto rows = fieldPicture();
    EXPECT_EQ(rows[32], "#o.....#") << "the landed block sank by three rows";
    EXPECT_EQ(rows[35], "#oooooo#") << "a lone filled row stays";
    EXPECT_EQ(rows[31], "#......#");
}

TEST_F(LandingTest, TooFewFilledRowsJustPlaceTheShape)
{
    game.minRowsToClear = 2;
    fieldWithFullRows(12, {10});
    game.fieldCells[9 * 8 + 2] = CELL_ACTIVE;
    landActiveShape();
    EXPECT_EQ(game.score, 0);
    EXPECT_EQ(fieldPicture()[9], "#.o....#");
    EXPECT_EQ(fieldPicture()[10], "#oooooo#");
    EXPECT_EQ(soundLog::played(), std::vector<std::string>{"sfx/shape_placed.wav"});
}

TEST_F(LandingTest, EnoughRowsButNoQualifyingRunIsSilent)
{
    game.minRowsToClear = 2;
    fieldWithFullRows(22, {10, 20});
    game.fieldCells[9 * 8 + 2] = CELL_ACTIVE;
    landActiveShape();
    EXPECT_EQ(game.score, 0);
    EXPECT_EQ(fieldPicture()[10], "#oooooo#");
    EXPECT_EQ(fieldPicture()[20], "#oooooo#");
    EXPECT_TRUE(soundLog::played().empty());
}

TEST_F(LandingTest, SoundsOffPlaysNothing)
{
    game.soundsOn = false;
    fieldWithFullRows(12, {});
    game.fieldCells[10 * 8 + 2] = CELL_ACTIVE;
    landActiveShape();
    for (int32_t c = 1; c <= 6; ++c)
        game.fieldCells[10 * 8 + c] = c == 6 ? CELL_ACTIVE : CELL_PLACED;
    landActiveShape();
    EXPECT_EQ(game.score, 1);
    EXPECT_TRUE(soundLog::played().empty());
}

TEST_F(LandingTest, GroundAndWallRowsNeverCountAsFilled)
{
    setField({"#....#", "######", "######"});
    game.fieldCells[0 * 6 + 1] = CELL_ACTIVE;
    landActiveShape();
    EXPECT_EQ(game.score, 0);
    EXPECT_EQ(fieldPicture()[1], "######");
}

TEST_F(LandingTest, ManyRowsAtOnceScoreTheTopOfTheTable)
{
    std::vector<int32_t> full;
    for (int32_t r = 4; r < 20; ++r)
        full.push_back(r);
    fieldWithFullRows(21, full);
    game.fieldCells[3 * 8 + 1] = CELL_ACTIVE;
    landActiveShape();
    EXPECT_EQ(game.score, 1000000) << "sixteen rows";
    EXPECT_EQ(countCells(game.fieldCells, CELL_PLACED), 1);
    EXPECT_EQ(fieldPicture()[19], "#o.....#");
}

TEST_F(LandingTest, RemovingARowKeepsFixedCellsAndEmptiesUnderThem)
{
    setField({"#.o..#", "#.#o.#", "#o.o.#", "#oooo#", "######"});
    removeRow(3);
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"#....#", "#.#..#", "#..o.#", "#o.o.#", "######"}));
    const auto before = fieldPicture();
    removeRow(-1);
    removeRow(5);
    EXPECT_EQ(fieldPicture(), before);
}

TEST_F(LandingTest, RowPlacementFailurePunchesHolesButStillScores)
{
    game.effectFrequency[EFFECT_ROW_PLACEMENT_FAILURE] = FREQ_OFTEN;
    int failures = 0, removals = 0;
    for (int trial = 0; trial < 60; ++trial) {
        game.score = 0;
        std::vector<int32_t> full = {10, 11, 12, 13};
        fieldWithFullRows(15, full);
        for (int32_t c = 1; c <= 6; ++c)
            game.fieldCells[9 * 8 + c] = CELL_PLACED;
        game.fieldCells[9 * 8 + 1] = CELL_EMPTY;
        game.fieldCells[13 * 8 + 6] = CELL_ACTIVE;
        landActiveShape();
        ASSERT_EQ(game.score, 30);
        const auto rows = fieldPicture();
        if (rows[9] == "#.ooooo#") {
            ++failures;  // the rows stayed, with holes; nothing above moved
            EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 15 * 2 + 6);
            EXPECT_LT(countCells(game.fieldCells, CELL_PLACED), 5 + 24);
        } else {
            ++removals;
            EXPECT_EQ(rows[13], "#.ooooo#");
            EXPECT_EQ(countCells(game.fieldCells, CELL_PLACED), 5);
        }
    }
    EXPECT_GT(failures, 15);
    EXPECT_GT(removals, 15);
}
