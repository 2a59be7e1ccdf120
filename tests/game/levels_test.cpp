#include "core/folders.h"
#include "core/generator.h"
#include "core/landing.h"
#include "core/motion.h"
#include "game/newgame.h"
#include "support/fakewindow.h"
#include "support/gametest.h"

#include <fstream>

namespace {

const char* const levelNames[] = {"Africa", "Farm", "Fountain", "Galaxy", "Spiral",
                                  "RabbitHole", "Smiley", "Warehouse", "SuddenlyRabbitHole"};

}  // namespace

class LevelFilesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
        gameDirectory = DRALEN_DATA_DIR;
    }
    void TearDown() override { fakeWindow::uninstall(); }
};

TEST_F(LevelFilesTest, EveryLevelStartsAndKeepsPlaying)
{
    for (const char* name : levelNames) {
        SCOPED_TRACE(name);
        game = GameState{};
        fakeWindow::clear();
        game.levelFile = std::string("levels/") + name + ".sav";
        startNewGame();

        ASSERT_EQ(fakeWindow::messages().size(), 1u) << "only the tip, no load failure";
        EXPECT_EQ(fakeWindow::messages()[0], game.tipText);
        EXPECT_EQ(game.levelFile, std::string("levels/") + name + ".sav") << "a restart loads the level again";
        EXPECT_EQ(game.suddenMode, std::string(name) == "SuddenlyRabbitHole");
        ASSERT_TRUE(fieldContains(game.fieldCells, CELL_ACTIVE));
        const int walls = 2 * game.fieldHeight + game.fieldWidth - 2;
        EXPECT_GT(countCells(game.fieldCells, CELL_PLACED) + countCells(game.fieldCells, CELL_FIXED), walls + 20)
            << "a prepared field";
        for (const ShapeMatrix& entry : game.shapeQueue)
            EXPECT_TRUE(fieldContains(entry, CELL_ACTIVE));

        // The first shape lands and the next one comes in.
        dropToProjection();
        landActiveShape();
        EXPECT_TRUE(spawnNextShape());
    }
}

TEST_F(LevelFilesTest, LevelTipsAreSingleLines)
{
    for (const char* name : levelNames) {
        std::ifstream in(std::string(DRALEN_DATA_DIR) + "/levels/" + name + ".sav", std::ios::binary);
        std::string first, tip;
        std::getline(in, first);
        std::getline(in, tip);
        EXPECT_FALSE(tip.empty()) << name;
        EXPECT_EQ(tip.find('\\'), std::string::npos) << name << ": level files stay plain";
    }
}
