#include "core/folders.h"
#include "game/newgame.h"
#include "persist/savefiles.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"

class NewGameTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
    }
    void TearDown() override { fakeWindow::uninstall(); }

    // The field without the first shape.
    std::vector<std::string> groundPicture()
    {
        std::vector<std::string> rows = fieldPicture();
        for (std::string& row : rows)
            for (char& c : row)
                if (c == 'x')
                    c = '.';
        return rows;
    }
};

TEST_F(NewGameTest, DefaultFieldHasSolidWallsAndGroundAndAFullQueue)
{
    game.score = 99;
    game.initialFallSpeed = 0.25;
    game.fallSpeed = 3;
    game.gameMode = MODE_GAME_OVER;
    startNewGame();

    EXPECT_EQ(game.cellCount, 800);
    ASSERT_EQ(game.fieldCells.size(), 800u);
    EXPECT_EQ(game.scratchCells.size(), 800u);
    const auto rows = groundPicture();
    for (int r = 0; r < 39; ++r)
        ASSERT_EQ(rows[r], "#" + std::string(18, '.') + "#") << "row " << r;
    EXPECT_EQ(rows[39], std::string(20, '#'));

    EXPECT_TRUE(fieldContains(game.fieldCells, CELL_ACTIVE));
    for (const ShapeMatrix& entry : game.shapeQueue) {
        ASSERT_EQ(entry.size(), 36u);
        EXPECT_TRUE(fieldContains(entry, CELL_ACTIVE));
    }
    EXPECT_EQ(game.score, 0);
    EXPECT_DOUBLE_EQ(game.fallSpeed, 0.25);
    EXPECT_EQ(game.gameMode, MODE_PLAYING);
    ASSERT_FALSE(fakeWindow::resizes().empty());
    EXPECT_FALSE(fakeWindow::resizes().back().moveToCentre);
    EXPECT_TRUE(fakeWindow::messages().empty()) << "no tip, no message";
}

TEST_F(NewGameTest, InputStateIsNotReset)
{
    game.pendingRotation = ROTATE_180;
    game.slowdownTicks = 5;
    game.fastFallHeld = true;
    startNewGame();
    EXPECT_EQ(game.pendingRotation, ROTATE_180);
    EXPECT_EQ(game.slowdownTicks, 5);
    EXPECT_TRUE(game.fastFallHeld);
}

TEST_F(NewGameTest, SingleGroundBlocks)
{
    game.sidesType = SIDES_NONE;
    game.groundType = GROUND_CENTER_BLOCK;
    for (int32_t width : {20, 21}) {
        game.fieldWidth = width;
        startNewGame();
        const auto rows = groundPicture();
        EXPECT_EQ(rows.back().find('#'), static_cast<size_t>(width - width / 2));
        EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 1);
    }

    game.fieldWidth = 20;
    game.sidesType = SIDES_SOLID;
    game.groundType = GROUND_CORNER_BLOCK;
    startNewGame();
    const auto rows = groundPicture();
    EXPECT_EQ(rows[39], "#..................#");
    EXPECT_EQ(rows[38], "#...................") << "a gap in the right wall above the corner block";
    EXPECT_EQ(rows[37], "#..................#");
}

TEST_F(NewGameTest, ScatteredGroundFallsInTheLowerHalf)
{
    game.sidesType = SIDES_NONE;
    game.groundType = GROUND_SCATTERED;
    for (int round = 0; round < 5; ++round) {
        startNewGame();
        EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 26);
        for (int32_t i = 0; i < 400; ++i)
            ASSERT_NE(game.fieldCells[i], CELL_FIXED) << "index " << i;
    }
    // Too small a field for scattering gets the centre block.
    game.fieldWidth = 5;
    game.fieldHeight = 5;
    game.maxShapeExtent = 3;
    startNewGame();
    EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 1);
    EXPECT_EQ(game.fieldCells[25 - 2], CELL_FIXED);
}

TEST_F(NewGameTest, HoledSidesAreWallsAtTheirRates)
{
    game.fieldHeight = 50;
    game.groundType = GROUND_NONE;
    struct Case {
        int32_t sides;
        double rate;
    };
    for (Case c : {Case{SIDES_SMALL_HOLES, 0.75}, Case{SIDES_BIG_HOLES, 0.25}}) {
        game.sidesType = c.sides;
        int walls = 0;
        for (int round = 0; round < 10; ++round) {
            startNewGame();
            walls += countCells(game.fieldCells, CELL_FIXED);
            const auto rows = groundPicture();
            for (const std::string& row : rows)
                ASSERT_EQ(row.substr(1, 18).find('#'), std::string::npos) << "only side columns";
        }
        EXPECT_NEAR(walls / 1000.0, c.rate, 0.06);
    }
}

TEST_F(NewGameTest, NoSidesAndNoGroundLeaveOnlyTheShape)
{
    game.sidesType = SIDES_NONE;
    game.groundType = GROUND_NONE;
    startNewGame();
    EXPECT_EQ(countCells(game.fieldCells, CELL_FIXED), 0);
    EXPECT_EQ(countCells(game.fieldCells, CELL_PLACED), 0);
    EXPECT_GT(countCells(game.fieldCells, CELL_ACTIVE), 0);
}

TEST_F(NewGameTest, LevelFileSuppliesTheWholeGame)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "levels");
    setUpGameInProgress(8, 20, 4);
    game.tipText = "Level tip with 100% effort";
    ASSERT_TRUE(saveGameToFile(dir / "levels/Test.sav"));
    const GameState saved = game;

    game = GameState{};
    gameDirectory = dir.path();
    game.levelFile = "levels/Test.sav";
    game.initialFallSpeed = 0.3;
    fakeWindow::clear();
    startNewGame();
    EXPECT_EQ(game.fieldCells, saved.fieldCells);
    EXPECT_EQ(game.shapeQueue, saved.shapeQueue);
    EXPECT_EQ(game.score, saved.score);
    EXPECT_DOUBLE_EQ(game.fallSpeed, saved.fallSpeed) << "the level's speed, not the initial one";
    EXPECT_DOUBLE_EQ(game.initialFallSpeed, 0.3);
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{"Level tip with 100% effort"});
}

// Installed, the levels lie in the data folder, wherever the game was started
// from; a level name read from a saved game resolves there too.
TEST_F(NewGameTest, InstalledGameTakesItsLevelsFromTheDataFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "data/levels");
    setUpGameInProgress(8, 20, 4);
    ASSERT_TRUE(saveGameToFile(dir / "data/levels/Test.sav"));
    const GameState saved = game;

    game = GameState{};
    gameDirectory = dir / "started here";
    installedFolders.data = dir / "data";
    game.levelFile = "levels/Test.sav";
    fakeWindow::clear();
    startNewGame();
    installedFolders = {};
    EXPECT_EQ(game.fieldCells, saved.fieldCells);
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{saved.tipText}) << "the level's tip, no failure";
}

TEST_F(NewGameTest, MissingLevelFileFallsBackToAFreshFieldAndStillShowsTheTip)
{
    TempDir dir;
    gameDirectory = dir.path();
    game.levelFile = "levels/Missing.sav";
    game.tipText = "Still here";
    game.fieldWidth = 10;
    game.fieldHeight = 15;
    game.maxShapeExtent = 4;
    game.maxBlocks = 4;
    startNewGame();
    ASSERT_EQ(fakeWindow::messages().size(), 2u);
    EXPECT_EQ(fakeWindow::messages()[0], "Couldn't open file to load game");
    EXPECT_EQ(fakeWindow::messages()[1], "Still here");
    EXPECT_EQ(game.fieldCells.size(), 150u);
    EXPECT_EQ(groundPicture().back(), std::string(10, '#'));
    EXPECT_TRUE(fieldContains(game.fieldCells, CELL_ACTIVE));
}

TEST_F(NewGameTest, LevelNamesThatClimbOutOfTheGameFolderAreRefused)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "game" / "levels");
    setUpGameInProgress(8, 20, 4);
    game.tipText.clear();
    game.score = 999;
    ASSERT_TRUE(saveGameToFile(dir / "outside.sav"));
    ASSERT_TRUE(saveGameToFile(dir / "game" / "levels" / "inside.sav"));

    gameDirectory = dir / "game";
    for (const char* name : {"../outside.sav", "levels/../../outside.sav", "/../outside.sav", "levels/.."}) {
        game = GameState{};
        game.levelFile = name;
        game.fieldWidth = 10;
        game.fieldHeight = 15;
        game.maxShapeExtent = 4;
        game.maxBlocks = 4;
        fakeWindow::clear();
        startNewGame();
        EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{"Couldn't open file to load game"}) << name;
        EXPECT_EQ(game.score, 0) << name;
        EXPECT_EQ(game.fieldCells.size(), 150u) << name << ": a fresh field of the settings";
    }
    // A detour that stays inside is still the level.
    game.levelFile = "levels/../levels/inside.sav";
    startNewGame();
    EXPECT_EQ(game.score, 999);
}
