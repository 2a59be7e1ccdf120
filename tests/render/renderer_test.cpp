#include "core/window.h"
#include "render/renderer.h"
#include "render/skins.h"
#include "support/gametest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int32_t cs = 10;

struct Tile {
    int32_t column, row;
    bool operator==(const Tile&) const = default;
};

// Test images whose every tile is one flat colour naming its place, so a
// probe of the frame tells which tile was drawn where.
Bitmap tileImage(int32_t columns, int32_t rows, int32_t blue)
{
    Bitmap image(columns * cs, rows * cs);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c)
            for (int32_t y = 0; y < cs; ++y)
                for (int32_t x = 0; x < cs; ++x)
                    image.pixels[(r * cs + y) * image.width + c * cs + x] = rgbPixel(10 + c * 30, 10 + r * 14, blue);
    return image;
}

constexpr int32_t blocksBlue = 77, wordsBlue = 177;

// The tile drawn at a cell position relative to the field's origin; column
// -1 when no tile of the image is there.
Tile probe(const Bitmap& frame, int32_t x, int32_t y, int32_t blue = blocksBlue)
{
    const uint32_t pixel = frame.pixel(fieldOriginX + x + cs / 2, fieldOriginY + y + cs / 2);
    if (pixelBlue(pixel) != blue)
        return Tile{-1, -1};
    return Tile{(pixelRed(pixel) - 10) / 30, (pixelGreen(pixel) - 10) / 14};
}

constexpr uint32_t black = rgbPixel(0, 0, 0);

class RendererTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        for (Skin& skin : skinTable) {
            skin.blocksBitmap = tileImage(6, skin.neighbourMode == 4 ? 16 : 1, blocksBlue);
            skin.wordsBitmap = tileImage(5, 5, wordsBlue);
        }
        game.skinIndex = 4;  // sixteen tile rows
        game.cellSize = cs;
        game.predictShapes = false;
    }
    void TearDown() override { releaseSkinBitmaps(); }

    // An empty field of the given size with an empty queue, laid out.
    void emptyGame(int32_t width, int32_t height, int32_t extent = 4)
    {
        game.maxShapeExtent = extent;
        setField(std::vector<std::string>(height, std::string(width, '.')));
        for (ShapeMatrix& entry : game.shapeQueue)
            entry.assign(extent * extent, CELL_EMPTY);
        game.shapeRow = game.projectedRow = 0;
        resizeWindow(false);
    }

    Bitmap paint()
    {
        Bitmap frame(playAreaWidth, playAreaHeight, black);
        paintPlayArea(frame.view());
        return frame;
    }
};

}  // namespace

TEST_F(RendererTest, CellsTurnWithGravity)
{
    struct Case {
        int32_t direction;
        ScreenPoint cell00, cell31;  // where field cells (0, 0) and column 3, row 1 appear
    };
    const Case cases[] = {
        {FORCE_DOWN, {0, 0}, {30, 10}},
        {FORCE_UP, {90, 190}, {60, 180}},
        {FORCE_RIGHT, {0, 90}, {10, 60}},
        {FORCE_LEFT, {190, 0}, {180, 30}},
    };
    for (const Case& c : cases) {
        game.forceDirection = c.direction;
        emptyGame(10, 20);
        game.fieldCells[0] = CELL_FIXED;
        game.fieldCells[1 * 10 + 3] = CELL_ACTIVE;
        const Bitmap frame = paint();
        EXPECT_EQ(probe(frame, c.cell00.x, c.cell00.y).column, CELL_FIXED) << "direction " << c.direction;
        EXPECT_EQ(probe(frame, c.cell31.x, c.cell31.y).column, CELL_ACTIVE) << "direction " << c.direction;
    }
}

TEST_F(RendererTest, PanelOfATallFieldShowsSixSlots)
{
    game.predictShapes = true;
    emptyGame(20, 40, 6);
    game.shapeQueue[0][3 * 6 + 3] = CELL_ACTIVE;
    game.shapeQueue[5][0] = CELL_ACTIVE;
    const Bitmap frame = paint();
    const int32_t panelX = 21 * cs;
    ASSERT_EQ(frame.width, (20 + 8) * cs);
    for (int32_t y = 0; y < 40; ++y) {
        EXPECT_EQ(probe(frame, 20 * cs, y * cs).column, TILE_BORDER) << "left border, row " << y;
        if (y < 39) {  // the score's digit covers the bottom-right cell
            EXPECT_EQ(probe(frame, 27 * cs, y * cs).column, TILE_BORDER) << "right border, row " << y;
        }
        const bool separator = y % 7 == 0;
        for (int32_t k : {1, 2, 4, 5})
            EXPECT_EQ(probe(frame, panelX + k * cs, y * cs).column, separator ? int32_t(TILE_BORDER) : int32_t(CELL_EMPTY))
                << "panel row " << y;
    }
    EXPECT_EQ(probe(frame, panelX + 3 * cs, (1 + 3) * cs).column, CELL_ACTIVE) << "the next shape";
    EXPECT_EQ(probe(frame, panelX, (35 + 1) * cs).column, CELL_PLACED) << "slot 5, cut off below";
}

TEST_F(RendererTest, PanelOfAVeryTallFieldShowsAllSlotsThenFills)
{
    game.predictShapes = true;
    emptyGame(20, 80, 6);
    for (int32_t k = 0; k < 10; ++k)
        game.shapeQueue[k][0] = CELL_ACTIVE;
    const Bitmap frame = paint();
    const int32_t panelX = 21 * cs;
    for (int32_t k = 0; k < 10; ++k) {
        EXPECT_EQ(probe(frame, panelX + cs, k * 7 * cs).column, TILE_BORDER) << "separator " << k;
        EXPECT_EQ(probe(frame, panelX, (k * 7 + 1) * cs).column, k == 0 ? CELL_ACTIVE : CELL_PLACED);
    }
    for (int32_t y = 70; y < 80; ++y)
        EXPECT_EQ(probe(frame, panelX + 2 * cs, y * cs), (Tile{CELL_EMPTY, 0})) << "fill row " << y;
}

TEST_F(RendererTest, SidewaysPanelLiesBelowWithTheNextShapeFirst)
{
    game.predictShapes = true;
    game.forceDirection = FORCE_RIGHT;
    emptyGame(12, 25, 4);
    game.shapeQueue[0][0] = CELL_ACTIVE;
    game.shapeQueue[1][0] = CELL_ACTIVE;
    const Bitmap frame = paint();
    ASSERT_EQ(frame.width, 25 * cs);
    ASSERT_EQ(frame.height, (12 + 6) * cs);
    const int32_t panelY = 13 * cs;
    EXPECT_EQ(probe(frame, 0, 12 * cs).column, TILE_BORDER);
    EXPECT_EQ(probe(frame, 0, panelY).column, TILE_BORDER) << "first separator at the left";
    // Matrix cell (0, 0) of a direction-2 slot shows at its bottom-left.
    EXPECT_EQ(probe(frame, cs, panelY + 3 * cs).column, CELL_ACTIVE);
    EXPECT_EQ(probe(frame, 6 * cs, panelY + 3 * cs).column, CELL_PLACED);
}

TEST_F(RendererTest, MasksJoinSameCodesAndWrapExceptFixedCells)
{
    emptyGame(6, 3);
    setField({"o....o", "#....#", "..oo.."});
    computeNeighbourMasks(fieldMasks, game.fieldCells, 6, 3, true);
    EXPECT_EQ(fieldMasks[0], MASK_LEFT) << "joined across the edge";
    EXPECT_EQ(fieldMasks[5], MASK_RIGHT);
    EXPECT_EQ(fieldMasks[6] & (MASK_LEFT | MASK_RIGHT), 0) << "walls never join across the edge";
    EXPECT_EQ(fieldMasks[2 * 6 + 2], MASK_RIGHT);
    EXPECT_EQ(fieldMasks[2 * 6 + 3], MASK_LEFT);
    EXPECT_EQ(fieldMasks[1 * 6 + 2], MASK_LEFT | MASK_RIGHT | MASK_UP) << "empty cells get masks too";

    computeNeighbourMasks(fieldMasks, game.fieldCells, 6, 3, false);
    EXPECT_EQ(fieldMasks[0], 0);

    game.skinIndex = 0;  // one tile row: every mask is zero
    computeNeighbourMasks(fieldMasks, game.fieldCells, 6, 3, true);
    EXPECT_EQ(std::count(fieldMasks.begin(), fieldMasks.end(), 0), 18);
}

TEST_F(RendererTest, MasksTurnWithTheField)
{
    const int32_t expected[4][4] = {
        {MASK_LEFT, MASK_UP, MASK_RIGHT, MASK_DOWN},
        {MASK_RIGHT, MASK_DOWN, MASK_LEFT, MASK_UP},
        {MASK_DOWN, MASK_LEFT, MASK_UP, MASK_RIGHT},
        {MASK_UP, MASK_RIGHT, MASK_DOWN, MASK_LEFT},
    };
    for (int32_t direction = 0; direction < 4; ++direction) {
        game.forceDirection = direction;
        for (int32_t bit = 0; bit < 4; ++bit)
            EXPECT_EQ(rotateMaskToScreen(1 << bit), expected[direction][bit]);
        EXPECT_EQ(rotateMaskToScreen(15), 15);
    }
    // A horizontal pair in the field stands vertically on screen with gravity to the right.
    game.forceDirection = FORCE_RIGHT;
    emptyGame(5, 5);
    game.fieldCells[2 * 5 + 1] = game.fieldCells[2 * 5 + 2] = CELL_PLACED;
    const Bitmap frame = paint();
    // Column 1 appears at y = (5-1-1) * cs, column 2 above it.
    EXPECT_EQ(probe(frame, 2 * cs, 3 * cs), (Tile{CELL_PLACED, MASK_UP}));
    EXPECT_EQ(probe(frame, 2 * cs, 2 * cs), (Tile{CELL_PLACED, MASK_DOWN}));
}

TEST_F(RendererTest, OneRowSkinIgnoresNeighbours)
{
    game.skinIndex = 0;
    emptyGame(5, 5);
    game.fieldCells[6] = game.fieldCells[7] = CELL_PLACED;
    const Bitmap frame = paint();
    EXPECT_EQ(probe(frame, cs, cs), (Tile{CELL_PLACED, 0}));
    EXPECT_EQ(probe(frame, 2 * cs, cs), (Tile{CELL_PLACED, 0}));
}

TEST_F(RendererTest, InvisibleBlocksShowTheirNeighbourhoodOnly)
{
    game.invisibilityMode = true;
    emptyGame(5, 5);
    setField({".....", ".oo..", ".....", ".x...", "#####"});
    const Bitmap frame = paint();
    EXPECT_EQ(probe(frame, cs, cs), (Tile{CELL_EMPTY, MASK_RIGHT})) << "empty tile, placed block's row";
    EXPECT_EQ(probe(frame, cs, 3 * cs).column, CELL_ACTIVE);
    EXPECT_EQ(probe(frame, 0, 4 * cs).column, CELL_FIXED);
}

TEST_F(RendererTest, ProjectionIsDrawnBelowTheShapeButNotOverIt)
{
    emptyGame(6, 8);
    setField({"..xx..", "..x...", "......", "......", "......", "......", "......", "######"});
    game.shapeBoxSize = 2;
    game.shapeRow = 0;
    game.shapeColumn = 2;
    game.projectionDirty = true;
    Bitmap frame = paint();
    EXPECT_FALSE(game.projectionDirty);
    EXPECT_EQ(game.projectedRow, 5);
    EXPECT_EQ(probe(frame, 2 * cs, 5 * cs).column, TILE_PROJECTION);
    EXPECT_EQ(probe(frame, 3 * cs, 5 * cs).column, TILE_PROJECTION);
    EXPECT_EQ(probe(frame, 2 * cs, 6 * cs).column, TILE_PROJECTION);
    EXPECT_EQ(probe(frame, 2 * cs, 0).column, CELL_ACTIVE);

    for (int32_t mode : {MODE_EDITOR, MODE_GAME_OVER}) {
        game.gameMode = mode;
        frame = paint();
        EXPECT_EQ(probe(frame, 2 * cs, 5 * cs).column, CELL_EMPTY);
    }
    game.gameMode = MODE_PLAYING;
    game.suddenMode = true;
    EXPECT_EQ(probe(paint(), 2 * cs, 5 * cs).column, CELL_EMPTY);
}

TEST_F(RendererTest, StatusWordAndScoreSitBottomRight)
{
    emptyGame(20, 20);
    game.gameMode = MODE_EDITOR;
    game.score = 0;
    Bitmap frame = paint();
    for (int32_t k = 0; k < 5; ++k)
        EXPECT_EQ(probe(frame, (15 + k) * cs, 18 * cs, wordsBlue), (Tile{k, 4})) << "EDIT word tile " << k;
    EXPECT_EQ(probe(frame, 19 * cs, 19 * cs, wordsBlue), (Tile{0, 1})) << "the digit 0";
    EXPECT_EQ(probe(frame, 18 * cs, 19 * cs), (Tile{CELL_EMPTY, MASK_LEFT | MASK_RIGHT | MASK_UP}));

    game.gameMode = MODE_PAUSED;
    game.score = 2147483647;
    frame = paint();
    EXPECT_EQ(probe(frame, 15 * cs, 18 * cs, wordsBlue), (Tile{0, 3})) << "PAUSE";
    const std::string digits = "2147483647";
    for (int32_t k = 0; k < 10; ++k) {
        const int32_t d = digits[k] - '0';
        EXPECT_EQ(probe(frame, (10 + k) * cs, 19 * cs, wordsBlue), (Tile{d % 5, 1 + d / 5})) << "digit " << k;
    }
    game.gameMode = MODE_PLAYING;
    EXPECT_EQ(probe(paint(), 15 * cs, 18 * cs).column, CELL_EMPTY) << "no word while playing";
}

TEST_F(RendererTest, SmallFieldSitsInAGrayMargin)
{
    emptyGame(4, 15);  // 40 px wide: centred in the minimum width
    ASSERT_TRUE(eraseOnRepaint);
    ASSERT_EQ(fieldOriginX, 55);
    const Bitmap frame = paint();
    EXPECT_EQ(frame.pixel(2, 2), rgbPixel(128, 128, 128));
    EXPECT_EQ(probe(frame, 0, 0).column, CELL_EMPTY);
}

TEST_F(RendererTest, MissingImagesDrawNothingAndDoNotCrash)
{
    setSkinBitmaps(4, Bitmap(), Bitmap());
    game.predictShapes = true;
    game.gameMode = MODE_PAUSED;
    emptyGame(10, 20);
    const Bitmap frame = paint();
    EXPECT_EQ(frame.pixel(5, 5), black);
    EXPECT_EQ(frame.pixel(frame.width - 5, frame.height - 5), black);
}
