#include "events/fieldeffects.h"
#include "support/gametest.h"

using FieldEffectsTest = GameTest;

TEST_F(FieldEffectsTest, RaiseLiftsTheHeapAndRefillsAboveTheGround)
{
    setField({"#....#", "#....#", "#....#", "#oo.o#", "######"});
    raiseField(1);
    const auto rows = fieldPicture();
    EXPECT_EQ(rows[0], "#....#");
    EXPECT_EQ(rows[1], "#....#");
    EXPECT_EQ(rows[2], "#oo.o#");
    EXPECT_EQ(rows[3].front(), '#');
    EXPECT_EQ(rows[3].back(), '#');
    EXPECT_EQ(rows[3].find_first_not_of(".o#"), std::string::npos);
    EXPECT_EQ(rows[4], "######");
}

TEST_F(FieldEffectsTest, RaiseKeepsFixedCellsWhereTheyAre)
{
    setField({"#....#", "#....#", "#.#..#", "#oooo#", "#o.oo#", "######"});
    raiseField(1);
    const auto rows = fieldPicture();
    EXPECT_EQ(rows[1], "#....#");
    EXPECT_EQ(rows[2], "#o#oo#") << "the petrified block stays; the heap moves up around it";
    EXPECT_EQ(rows[3], "#o.oo#");
    EXPECT_EQ(rows[5], "######");
}

TEST_F(FieldEffectsTest, RaisingAnEmptyFieldRefillsOnlyTheVacatedRows)
{
    for (int32_t rows : {1, 3, 5, 9}) {
        setField({"#....#", "#....#", "#....#", "#....#", "#....#", "######"});
        game.effectFrequency = {};
        raiseField(rows);
        const auto picture = fieldPicture();
        const int32_t filledFrom = std::max(0, 6 - rows);
        for (int32_t r = 0; r < filledFrom; ++r)
            EXPECT_EQ(picture[r], "#....#") << rows << " rows, row " << r;
        EXPECT_EQ(picture[5], "######");
        EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 16);
    }
}

TEST_F(FieldEffectsTest, WithoutGroundTheLowestBlocksStopTheRefill)
{
    setField({"......", "......", "..o...", "......", ".o.o.."});
    raiseField(2);
    const auto rows = fieldPicture();
    EXPECT_EQ(rows[0], "..o...");
    EXPECT_EQ(rows[2], ".o.o..");
    EXPECT_EQ(rows[4], ".o.o..") << "the bottom rows keep their content and stop the search";
}

TEST_F(FieldEffectsTest, NeverMeansThreeDrawsAndNoChange)
{
    setField({"#....#", "#oo..#", "#oooo#", "######"});
    const auto before = fieldPicture();
    fakeClock::install(1000, 1);
    applyFieldEffects();
    EXPECT_EQ(fieldPicture(), before);
    EXPECT_EQ(fakeClock::now(), 1003u) << "one clock read per draw";
}

TEST_F(FieldEffectsTest, FloodExcludesErosion)
{
    game.effectFrequency[EFFECT_FLOOD] = FREQ_OFTEN;
    game.effectFrequency[EFFECT_EROSION] = FREQ_OFTEN;
    const std::string full = "#" + std::string(48, 'o') + "#";
    const std::string open = "#" + std::string(48, '.') + "#";
    const std::string ground(50, '#');
    int floods = 0, erosions = 0;
    const int calls = 1000;
    for (int i = 0; i < calls; ++i) {
        setField({open, open, full, ground});
        applyFieldEffects();
        const auto rows = fieldPicture();
        if (rows[1] != open) {
            ++floods;
            ASSERT_EQ(rows[1], full) << "a flooded heap is never eroded in the same call";
        } else if (rows[2] != full) {
            ++erosions;
        }
    }
    EXPECT_NEAR(floods / double(calls), 0.30, 0.05);
    EXPECT_NEAR(erosions / double(calls), 0.70 * 0.30, 0.05);
}

TEST_F(FieldEffectsTest, PetrificationTurnsSomeBlocksFixedInPlace)
{
    game.effectFrequency[EFFECT_PETRIFICATION] = FREQ_OFTEN;
    const std::string full = "#" + std::string(48, 'o') + "#";
    int petrifiedCalls = 0;
    for (int i = 0; i < 200; ++i) {
        setField({full, full, full, std::string(50, '#')});
        applyFieldEffects();
        const int fixed = countCells(game.fieldCells, CELL_FIXED);
        EXPECT_EQ(fixed + countCells(game.fieldCells, CELL_PLACED), 50 + 6 + 144);
        petrifiedCalls += fixed > 56;
    }
    EXPECT_GT(petrifiedCalls, 30);
    EXPECT_LT(petrifiedCalls, 90);
}

TEST_F(FieldEffectsTest, EffectsLeaveFieldsWithoutPlacedBlocksAlone)
{
    game.effectFrequency[EFFECT_EROSION] = FREQ_OFTEN;
    game.effectFrequency[EFFECT_PETRIFICATION] = FREQ_OFTEN;
    for (int i = 0; i < 50; ++i) {
        setField({"#....#", "#....#", "######"});
        applyFieldEffects();
        EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"#....#", "#....#", "######"}));
    }
}
