#include "core/generator.h"
#include "support/gametest.h"

#include <queue>

namespace {

struct Cells {
    std::vector<std::pair<int, int>> list;  // (row, column)
};

Cells activeCells(const ShapeMatrix& matrix, int m)
{
    Cells cells;
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < m; ++c)
            if (matrix[r * m + c] == CELL_ACTIVE)
                cells.list.emplace_back(r, c);
    return cells;
}

bool isConnected(const ShapeMatrix& matrix, int m)
{
    const Cells cells = activeCells(matrix, m);
    if (cells.list.empty())
        return true;
    std::vector<bool> seen(matrix.size(), false);
    std::queue<int> todo;
    todo.push(cells.list[0].first * m + cells.list[0].second);
    seen[todo.front()] = true;
    size_t reached = 0;
    while (!todo.empty()) {
        const int i = todo.front();
        todo.pop();
        ++reached;
        const int r = i / m, c = i % m;
        const int next[4][2] = {{r - 1, c}, {r + 1, c}, {r, c - 1}, {r, c + 1}};
        for (auto [nr, nc] : next)
            if (nr >= 0 && nr < m && nc >= 0 && nc < m && matrix[nr * m + nc] == CELL_ACTIVE && !seen[nr * m + nc]) {
                seen[nr * m + nc] = true;
                todo.push(nr * m + nc);
            }
    }
    return reached == cells.list.size();
}

// Free space either side of the shape, across and down.
struct Margins {
    int left, right, top, bottom;
};

Margins marginsOf(const ShapeMatrix& matrix, int m)
{
    Margins margins{m, m, m, m};
    for (auto [r, c] : activeCells(matrix, m).list) {
        margins.left = std::min(margins.left, c);
        margins.right = std::min(margins.right, m - 1 - c);
        margins.top = std::min(margins.top, r);
        margins.bottom = std::min(margins.bottom, m - 1 - r);
    }
    return margins;
}

ShapeMatrix generated()
{
    ShapeMatrix matrix;
    generateShape(matrix);
    return matrix;
}

void fillQueueWithEmptyMatrices()
{
    const int m = game.maxShapeExtent;
    for (ShapeMatrix& entry : game.shapeQueue)
        entry.assign(m * m, CELL_EMPTY);
}

}  // namespace

using GeneratorTest = GameTest;

TEST_F(GeneratorTest, SingleBlockShapesAreTheCentreCell)
{
    game.minBlocks = game.maxBlocks = 1;
    for (int m : {4, 5, 6}) {
        game.maxShapeExtent = m;
        const ShapeMatrix matrix = generated();
        ASSERT_EQ(matrix.size(), static_cast<size_t>(m * m));
        const Cells cells = activeCells(matrix, m);
        ASSERT_EQ(cells.list.size(), 1u);
        EXPECT_EQ(cells.list[0], std::make_pair(m / 2, m / 2)) << "m = " << m;
    }
}

TEST_F(GeneratorTest, GrownShapesAreConnectedCentredAndOfTheRightSize)
{
    game.minBlocks = 2;
    game.maxBlocks = 9;
    game.maxShapeExtent = 6;
    std::vector<int> sizesSeen(10, 0);
    for (int i = 0; i < 300; ++i) {
        const ShapeMatrix matrix = generated();
        const size_t blocks = activeCells(matrix, 6).list.size();
        ASSERT_GE(blocks, 2u);
        ASSERT_LE(blocks, 9u);
        ++sizesSeen[blocks];
        ASSERT_TRUE(isConnected(matrix, 6));
        const Margins margins = marginsOf(matrix, 6);
        EXPECT_LE(std::abs(margins.left - margins.right), 1);
        EXPECT_LE(std::abs(margins.top - margins.bottom), 1);
    }
    for (int blocks = 2; blocks <= 9; ++blocks)
        EXPECT_GT(sizesSeen[blocks], 0) << blocks << " blocks never drawn";
}

TEST_F(GeneratorTest, TetrominoStraightPiecesLieOnTheCentreLines)
{
    game.minBlocks = game.maxBlocks = game.maxShapeExtent = 4;
    int straights = 0;
    for (int i = 0; i < 400; ++i) {
        const ShapeMatrix matrix = generated();
        const Cells cells = activeCells(matrix, 4);
        ASSERT_EQ(cells.list.size(), 4u);
        ASSERT_TRUE(isConnected(matrix, 4));
        const bool sameRow = std::all_of(cells.list.begin(), cells.list.end(),
                                         [&](auto cell) { return cell.first == cells.list[0].first; });
        const bool sameColumn = std::all_of(cells.list.begin(), cells.list.end(),
                                            [&](auto cell) { return cell.second == cells.list[0].second; });
        if (sameRow) {
            EXPECT_EQ(cells.list[0].first, 2);
            ++straights;
        }
        if (sameColumn) {
            EXPECT_EQ(cells.list[0].second, 2);
            ++straights;
        }
    }
    EXPECT_GT(straights, 0);
}

TEST_F(GeneratorTest, ShapesCanFillTheWholeMatrixAndNeverAskForMore)
{
    game.maxShapeExtent = 3;
    game.minBlocks = game.maxBlocks = 9;
    EXPECT_EQ(countCells(generated(), CELL_ACTIVE), 9);
    // More blocks than the matrix holds: the shape fills the matrix and stops.
    game.minBlocks = 12;
    game.maxBlocks = 25;
    EXPECT_EQ(countCells(generated(), CELL_ACTIVE), 9);
}

TEST_F(GeneratorTest, ShatteredShapesScatterAboutHalfTheTimeWhenOften)
{
    game.maxShapeExtent = 6;
    game.minBlocks = game.maxBlocks = 6;
    game.effectFrequency[EFFECT_SHATTERED_SHAPES] = FREQ_OFTEN;
    int scattered = 0;
    const int total = 400;
    for (int i = 0; i < total; ++i) {
        const ShapeMatrix matrix = generated();
        ASSERT_EQ(countCells(matrix, CELL_ACTIVE), 6);
        scattered += !isConnected(matrix, 6);
    }
    // Half are shattered; a few of those happen to touch up into one piece.
    EXPECT_GT(scattered, total * 30 / 100);
    EXPECT_LT(scattered, total * 60 / 100);

    game.effectFrequency[EFFECT_SHATTERED_SHAPES] = FREQ_NEVER;
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(isConnected(generated(), 6));
}

TEST_F(GeneratorTest, SpawnSquaresTheBoxAndPlacesItAtTheTopCentre)
{
    game.fieldCells.assign(game.cellCount, CELL_EMPTY);
    fillQueueWithEmptyMatrices();
    // A horizontal straight piece off the matrix centre, as a loaded queue may hold it.
    for (int c = 1; c <= 4; ++c)
        game.shapeQueue[0][2 * 6 + c] = CELL_ACTIVE;
    game.shapeQueue[1][3 * 6 + 3] = CELL_ACTIVE;  // becomes the next entry 0

    ASSERT_TRUE(spawnNextShape());
    EXPECT_EQ(game.shapeBoxSize, 4);
    EXPECT_EQ(game.shapeColumn, 8);
    EXPECT_EQ(game.shapeRow, 0);
    EXPECT_DOUBLE_EQ(game.shapeX, 85);
    EXPECT_DOUBLE_EQ(game.shapeY, 5);
    // One box row above the piece, two below it.
    EXPECT_EQ(fieldPicture()[1], "........xxxx........");
    EXPECT_EQ(countCells(game.fieldCells, CELL_ACTIVE), 4);

    EXPECT_EQ(game.shapeQueue[0][3 * 6 + 3], CELL_ACTIVE);
    EXPECT_GT(countCells(game.shapeQueue[9], CELL_ACTIVE), 0);
    EXPECT_TRUE(game.projectionDirty);
}

TEST_F(GeneratorTest, SpawnOfAnEmptyEntryPlacesNothingButShiftsTheQueue)
{
    game.fieldCells.assign(game.cellCount, CELL_EMPTY);
    fillQueueWithEmptyMatrices();
    ASSERT_TRUE(spawnNextShape());
    EXPECT_FALSE(fieldContains(game.fieldCells, CELL_ACTIVE));
    EXPECT_FALSE(fieldContains(game.shapeQueue[8], CELL_ACTIVE));
    EXPECT_TRUE(fieldContains(game.shapeQueue[9], CELL_ACTIVE));
}

TEST_F(GeneratorTest, SpawnOntoAnOccupiedCellFailsAndKeepsTheQueue)
{
    game.fieldCells.assign(game.cellCount, CELL_EMPTY);
    fillQueueWithEmptyMatrices();
    // Vertical piece of three in column 3 of the matrix, box 3 wide: column 9 of the field.
    for (int r = 2; r <= 4; ++r)
        game.shapeQueue[0][r * 6 + 3] = CELL_ACTIVE;
    game.fieldCells[1 * 20 + 10] = CELL_PLACED;  // under the middle block
    const auto queueBefore = game.shapeQueue;

    EXPECT_FALSE(spawnNextShape());
    EXPECT_EQ(game.shapeQueue, queueBefore);
    EXPECT_EQ(game.fieldCells[0 * 20 + 10], CELL_ACTIVE) << "blocks placed before the obstacle stay";
    EXPECT_EQ(game.fieldCells[1 * 20 + 10], CELL_PLACED);
    EXPECT_EQ(game.fieldCells[2 * 20 + 10], CELL_EMPTY);
}

TEST_F(GeneratorTest, SuddenModeSpawnsStraightAtTheLandingRow)
{
    game.suddenMode = true;
    setField({"#....#", "#....#", "#....#", "#....#", "#.o..#", "######"});
    game.maxShapeExtent = 2;
    fillQueueWithEmptyMatrices();
    game.shapeQueue[0] = {CELL_ACTIVE, CELL_ACTIVE, CELL_EMPTY, CELL_EMPTY};  // 2 wide, 1 high
    ASSERT_TRUE(spawnNextShape());
    EXPECT_EQ(game.shapeRow, 3);
    EXPECT_EQ(fieldPicture()[3], "#.xx.#");
    EXPECT_DOUBLE_EQ(game.shapeY, 3 * 10 + 5);
}
