#include "core/gamestate.h"
#include "support/gametest.h"

#include <limits>
#include <set>
#include <thread>

namespace {

// A fresh thread starts with the generator state every thread starts with.
std::vector<int32_t> drawsOnNewThread(const std::vector<int32_t>& bounds)
{
    std::vector<int32_t> values;
    std::thread([&] {
        for (int32_t bound : bounds)
            values.push_back(randomBelow(bound));
    }).join();
    return values;
}

}  // namespace

using RandomBelowTest = GameTest;

TEST_F(RandomBelowTest, StaysWithinItsBound)
{
    for (int32_t bound : {2, 3, 7, 100}) {
        std::set<int32_t> seen;
        for (int i = 0; i < 2000; ++i) {
            const int32_t value = randomBelow(bound);
            ASSERT_GE(value, 0);
            ASSERT_LT(value, bound);
            seen.insert(value);
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(bound)) << "every value turns up";
    }
}

TEST_F(RandomBelowTest, BoundsBelowTwoAnswerZeroWithoutDrawing)
{
    fakeClock::install(5000, 0);
    const std::vector<int32_t> plain = drawsOnNewThread({1000, 1000, 1000});
    const std::vector<int32_t> withTrivialBounds = drawsOnNewThread({1, 0, -5, 1000, 1000, 1000});
    EXPECT_EQ(withTrivialBounds[0], 0);
    EXPECT_EQ(withTrivialBounds[1], 0);
    EXPECT_EQ(withTrivialBounds[2], 0);
    EXPECT_EQ(std::vector<int32_t>(withTrivialBounds.begin() + 3, withTrivialBounds.end()), plain);
    // Nor do they read the clock.
    fakeClock::install(5000, 1);
    drawsOnNewThread({1, 0});
    EXPECT_EQ(fakeClock::now(), 5000u);
}

TEST_F(RandomBelowTest, DrawsWithinOneMillisecondStillDiffer)
{
    fakeClock::install(777, 0);
    const std::vector<int32_t> values = drawsOnNewThread(std::vector<int32_t>(20, 1000));
    EXPECT_GT(std::set<int32_t>(values.begin(), values.end()).size(), 10u);
}

TEST_F(RandomBelowTest, EachDrawReseedsFromTheClock)
{
    fakeClock::install(1000, 0);
    const std::vector<int32_t> early = drawsOnNewThread(std::vector<int32_t>(8, 30000));
    fakeClock::install(1000, 0);
    EXPECT_EQ(drawsOnNewThread(std::vector<int32_t>(8, 30000)), early);
    fakeClock::install(1001, 0);
    EXPECT_NE(drawsOnNewThread(std::vector<int32_t>(8, 30000)), early);
}

TEST_F(RandomBelowTest, ThreadsKeepTheirOwnGenerators)
{
    fakeClock::install(42, 0);
    const std::vector<int32_t> first = drawsOnNewThread(std::vector<int32_t>(5, 1000));
    for (int i = 0; i < 50; ++i)
        randomBelow(1000);  // this thread's draws must not disturb another's
    EXPECT_EQ(drawsOnNewThread(std::vector<int32_t>(5, 1000)), first);
}

TEST_F(GameTest, FieldContainsLooksAtEveryCell)
{
    EXPECT_FALSE(fieldContains({}, CELL_ACTIVE));
    EXPECT_FALSE(fieldContains({1, 1, 2, 0}, CELL_ACTIVE));
    EXPECT_TRUE(fieldContains({1, 1, 2, 3}, CELL_ACTIVE));
    EXPECT_TRUE(fieldContains({3, 0, 0, 0}, CELL_ACTIVE));
}

TEST_F(GameTest, ScoreSaturatesInsteadOfWrapping)
{
    game.score = std::numeric_limits<int32_t>::max() - 10;
    addToScore(rowScoreTable.back());
    EXPECT_EQ(game.score, std::numeric_limits<int32_t>::max());
    addToScore(1);
    EXPECT_EQ(game.score, std::numeric_limits<int32_t>::max());
    game.score = 5;
    addToScore(30);
    EXPECT_EQ(game.score, 35);
}

TEST_F(GameTest, RecordStartsWithItsInitialValues)
{
    EXPECT_EQ(game.fieldWidth, 20);
    EXPECT_EQ(game.fieldHeight, 40);
    EXPECT_EQ(game.cellCount, 800);
    EXPECT_EQ(game.maxBlocks, 6);
    EXPECT_EQ(game.minBlocks, 1);
    EXPECT_EQ(game.maxShapeExtent, 6);
    EXPECT_EQ(game.minRowsToClear, 1u);
    EXPECT_DOUBLE_EQ(game.initialFallSpeed, 0.4);
    EXPECT_EQ(game.shiftSpeed, 20);
    EXPECT_EQ(game.cellSize, 10);
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
    for (int32_t f : game.effectFrequency)
        EXPECT_EQ(f, FREQ_NEVER);
    for (int32_t k : game.keyBindings)
        EXPECT_EQ(k, 0);
}
