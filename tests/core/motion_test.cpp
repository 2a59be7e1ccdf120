#include "core/motion.h"
#include "support/gametest.h"

namespace {

void setShapeBox(int32_t row, int32_t column, int32_t size)
{
    game.shapeRow = row;
    game.shapeColumn = column;
    game.shapeBoxSize = size;
    game.shapeX = game.cellSize * column + game.cellSize / 2;
    game.shapeY = game.cellSize * row + game.cellSize / 2;
}

}  // namespace

using MotionTest = GameTest;

TEST_F(MotionTest, ShiftWrapsAroundOpenSides)
{
    setField({"......", "x.....", "xx....", "......"});
    setShapeBox(1, 0, 2);
    ASSERT_TRUE(shiftActiveShape(-1));
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"......", ".....x", "x....x", "......"}));
    EXPECT_EQ(game.shapeColumn, 5);
    ASSERT_TRUE(shiftActiveShape(+1));
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"......", "x.....", "xx....", "......"}));
    EXPECT_EQ(game.shapeColumn, 0);
}

TEST_F(MotionTest, ShiftIntoAWallOrBlockIsRefusedAndChangesNothing)
{
    setField({"#.....#", "#x...o#", "#xx..o#", "#######"});
    setShapeBox(1, 1, 2);
    const auto before = fieldPicture();
    EXPECT_FALSE(shiftActiveShape(-1));
    EXPECT_EQ(fieldPicture(), before);
    EXPECT_EQ(game.shapeColumn, 1);
    ASSERT_TRUE(shiftActiveShape(+1));
    ASSERT_TRUE(shiftActiveShape(+1));
    EXPECT_FALSE(shiftActiveShape(+1)) << "the placed blocks are in the way";
    EXPECT_EQ(fieldPicture()[2], "#..xxo#");
    EXPECT_EQ(game.shapeColumn, 3);
}

TEST_F(MotionTest, FallStopsOnObstaclesAndLosesBlocksThroughAnOpenBottom)
{
    setField({".x....", ".x....", "......", ".o...."});
    setShapeBox(0, 1, 2);
    ASSERT_TRUE(fallActiveShape(+1));
    EXPECT_EQ(game.shapeRow, 1);
    EXPECT_FALSE(fallActiveShape(+1));
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"......", ".x....", ".x....", ".o...."}));

    setField({"......", "..x...", "..x...", "..x..."});
    setShapeBox(1, 2, 3);
    ASSERT_TRUE(fallActiveShape(+1));
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"......", "......", "..x...", "..x..."}));
    ASSERT_TRUE(fallActiveShape(+1));
    ASSERT_TRUE(fallActiveShape(+1));
    EXPECT_FALSE(fieldContains(game.fieldCells, CELL_ACTIVE));
}

TEST_F(MotionTest, RotatesInsideTheBoxInAllThreeDirections)
{
    const std::vector<std::string> lShape = {"......", "..x...", "..x...", "..xx..", "......"};
    struct Case {
        int32_t direction;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {ROTATE_CW, {"......", "..xxx.", "..x...", "......", "......"}},
        {ROTATE_CCW, {"......", "......", "....x.", "..xxx.", "......"}},
        {ROTATE_180, {"......", "...xx.", "....x.", "....x.", "......"}},
    };
    for (const Case& c : cases) {
        setField(lShape);
        setShapeBox(1, 2, 3);
        EXPECT_TRUE(rotateActiveShape(c.direction));
        EXPECT_EQ(fieldPicture(), c.expected) << "direction " << c.direction;
        EXPECT_EQ(game.shapeRow, 1);
        EXPECT_EQ(game.shapeColumn, 2);
    }
    setField(lShape);
    setShapeBox(1, 2, 3);
    EXPECT_FALSE(rotateActiveShape(ROTATE_NONE));
    EXPECT_EQ(fieldPicture(), lShape);
}

TEST_F(MotionTest, RotationAcrossTheSideSeamKeepsColumnsCyclic)
{
    setField({"......", "x....x", "......", "......"});
    setShapeBox(0, 5, 3);  // box columns 5, 0, 1
    ASSERT_TRUE(rotateActiveShape(ROTATE_CW));
    EXPECT_EQ(fieldPicture(), (std::vector<std::string>{"x.....", "x.....", "......", "......"}));
}

TEST_F(MotionTest, SingleBlockTurnsOntoItself)
{
    setField({"....", ".x..", "....", "####"});
    setShapeBox(1, 1, 1);
    EXPECT_TRUE(rotateActiveShape(ROTATE_CW));
    EXPECT_EQ(fieldPicture()[1], ".x..");
}

TEST_F(MotionTest, TurnLeavingTheFieldIsRefusedWithoutKicks)
{
    // Box rows 2..4 of a four-row field: the turn would put a block below the floor,
    // though a ground kick by one row would have found room.
    setField({"......", "......", "..x...", "..x..."});
    setShapeBox(2, 2, 3);
    const auto before = fieldPicture();
    EXPECT_FALSE(rotateActiveShape(ROTATE_CCW));
    EXPECT_EQ(fieldPicture(), before);
    EXPECT_EQ(game.shapeRow, 2);
}

TEST_F(MotionTest, WallKicksTryOffsetsInTheirOrder)
{
    // A vertical four in box column 1; turned, it lies in field row 3, columns 3..6.
    const std::vector<std::string> base = {
        "..........", "..........", "....x.....", "....x.....", "....x.....", "....x.....", "..........", ".........."};
    struct Case {
        std::vector<int> obstacleColumns;  // in row 3
        int32_t expectedColumn;            // new shapeColumn
    };
    const Case cases[] = {
        {{3}, 4},     // +1 fits
        {{6}, 2},     // +1 blocked, -1 fits
        {{2, 6}, -1}, // every offset up to 2 blocked: ground kick instead
    };
    for (const Case& c : cases) {
        setField(base);
        for (int column : c.obstacleColumns)
            game.fieldCells[3 * 10 + column] = CELL_PLACED;
        setShapeBox(2, 3, 4);
        ASSERT_TRUE(rotateActiveShape(ROTATE_CW));
        if (c.expectedColumn >= 0) {
            EXPECT_EQ(game.shapeColumn, c.expectedColumn);
            EXPECT_EQ(game.shapeRow, 2);
            EXPECT_DOUBLE_EQ(game.shapeX, c.expectedColumn * 10 + 5);
            for (int column = c.expectedColumn; column < c.expectedColumn + 4; ++column)
                EXPECT_EQ(game.fieldCells[3 * 10 + column], CELL_ACTIVE);
        } else {
            EXPECT_EQ(game.shapeColumn, 3);
            EXPECT_EQ(game.shapeRow, 1);
            EXPECT_DOUBLE_EQ(game.shapeY, 15);
            EXPECT_EQ(fieldPicture()[2], "...xxxx...");
        }
        EXPECT_EQ(countCells(game.fieldCells, CELL_ACTIVE), 4);
    }

    game.allowWallKicks = game.allowGroundKicks = false;
    setField(base);
    game.fieldCells[3 * 10 + 6] = CELL_PLACED;
    setShapeBox(2, 3, 4);
    const auto before = fieldPicture();
    EXPECT_FALSE(rotateActiveShape(ROTATE_CW));
    EXPECT_EQ(fieldPicture(), before);
    EXPECT_EQ(game.shapeRow, 2);
    EXPECT_EQ(game.shapeColumn, 3);
}

TEST_F(MotionTest, GroundKicksLiftNoHigherThanTheTopRow)
{
    game.allowWallKicks = false;
    // A vertical five in box column 2; turned, it lies in box row 2. Row (box row 2) - 1
    // is blocked, row (box row 2) - 2 is free.
    auto run = [](int32_t boxRow) {
        std::vector<std::string> rows(10, "..........");
        for (int i = 0; i < 5; ++i)
            rows[boxRow + i][4] = 'x';
        rows[boxRow + 2][5] = 'o';
        rows[boxRow + 1][5] = 'o';
        setField(rows);
        setShapeBox(boxRow, 2, 5);
        return rotateActiveShape(ROTATE_CW);
    };
    EXPECT_FALSE(run(1)) << "from row 1 only a lift by one row is allowed";
    EXPECT_EQ(game.shapeRow, 1);
    ASSERT_TRUE(run(2));
    EXPECT_EQ(game.shapeRow, 0);
    EXPECT_EQ(fieldPicture()[2], "..xxxxx...");

    game.allowGroundKicks = false;
    EXPECT_FALSE(run(2));
}

TEST_F(MotionTest, ProjectionFindsTheLandingRow)
{
    setField({"#.xx.#", "#.xx.#", "#....#", "#....#", "#..o.#", "######"});
    setShapeBox(0, 2, 2);
    computeProjection();
    EXPECT_EQ(game.projectedRow, 2);
    EXPECT_EQ(pictureOf(game.projectionCells, 6),
              (std::vector<std::string>{"#....#", "#....#", "#.xx.#", "#.xx.#", "#..o.#", "######"}));
    EXPECT_EQ(fieldPicture()[0], "#.xx.#") << "the field itself is untouched";
}

TEST_F(MotionTest, ProjectionOverAnOpenBottomIsEmpty)
{
    setField({"..x...", "......", "......", "......", "......"});
    setShapeBox(0, 2, 1);
    computeProjection();
    EXPECT_EQ(game.projectedRow, 5);
    EXPECT_FALSE(fieldContains(game.projectionCells, CELL_ACTIVE));
    dropToProjection();
    EXPECT_FALSE(fieldContains(game.fieldCells, CELL_ACTIVE));
    EXPECT_EQ(game.shapeRow, 5);
}

TEST_F(MotionTest, ProjectionLeavesOutBlocksThatWouldFallOut)
{
    // One block rests on the placed block in column 1, the other hangs over the open column 2.
    setField({".x....", "......", "..x...", "......", ".o...."});
    setShapeBox(0, 1, 3);
    computeProjection();
    EXPECT_EQ(game.projectedRow, 3);
    EXPECT_EQ(pictureOf(game.projectionCells, 6),
              (std::vector<std::string>{"......", "......", "......", ".x....", ".o...."}));
    dropToProjection();
    EXPECT_EQ(fieldPicture(), pictureOf(game.projectionCells, 6));
    EXPECT_EQ(game.shapeRow, 3);
    EXPECT_DOUBLE_EQ(game.shapeY, 35);
}
