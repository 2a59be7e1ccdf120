// The game left to play on its own with random keys, random events and every
// disturbance on: whatever happens, the record stays sound.
#include "events/randomevents.h"
#include "game/keyboard.h"
#include "game/newgame.h"
#include "game/tick.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/invariants.h"

#include <random>

namespace {

struct Settings {
    const char* name;
    int32_t width, height, minBlocks, maxBlocks, extent, sides, ground, direction;
    bool sudden;
    int32_t effects;
};

}  // namespace

class SoakTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
    }
    void TearDown() override
    {
        fakeWindow::uninstall();
        releaseAllKeys();
    }
};

TEST_F(SoakTest, RandomPlayKeepsEveryInvariant)
{
    const Settings all[] = {
        {"default", 20, 40, 1, 6, 6, SIDES_SOLID, GROUND_SOLID, FORCE_DOWN, false, FREQ_NEVER},
        {"open", 10, 25, 4, 5, 5, SIDES_NONE, GROUND_CENTER_BLOCK, FORCE_UP, false, FREQ_OFTEN},
        {"holes", 12, 25, 1, 16, 4, SIDES_BIG_HOLES, GROUND_SCATTERED, FORCE_RIGHT, false, FREQ_SOMETIMES},
        {"sudden", 12, 25, 4, 4, 4, SIDES_SMALL_HOLES, GROUND_CORNER_BLOCK, FORCE_LEFT, true, FREQ_OFTEN},
        {"tiny", 4, 15, 1, 4, 2, SIDES_SOLID, GROUND_NONE, FORCE_DOWN, false, FREQ_RARELY},
    };
    std::mt19937 script(20261207);  // the player's hands, not the game's dice
    const int32_t keys[] = {37, 38, 39, 40};
    int games = 0;
    for (const Settings& s : all) {
        SCOPED_TRACE(s.name);
        game = GameState{};
        loadDefaultKeys(game.keyBindings);
        game.fieldWidth = s.width;
        game.fieldHeight = s.height;
        game.minBlocks = s.minBlocks;
        game.maxBlocks = s.maxBlocks;
        game.maxShapeExtent = s.extent;
        game.sidesType = s.sides;
        game.groundType = s.ground;
        game.forceDirection = s.direction;
        game.suddenMode = s.sudden;
        game.initialFallSpeed = 2.0;
        game.effectFrequency.fill(s.effects);
        game.minRowsToClear = s.width > 10 ? 1 : 2;
        usedTextEvents = 0;

        std::lock_guard<std::recursive_mutex> lock(gameLock);
        startNewGame();
        ++games;
        for (int t = 0; t < 20000; ++t) {
            const int32_t key = keys[script() % 4];
            if (script() % 4 == 0)
                setKeyDown(key);
            else
                setKeyUp(key);
            if (script() % 6 == 0)
                game.pendingRotation = static_cast<int32_t>(script() % 4);
            pollKeys();
            gameStep();
            const std::string broken = brokenInvariant();
            ASSERT_EQ(broken, "") << "after tick " << t;
            if (game.gameMode == MODE_GAME_OVER) {
                startNewGame();
                ++games;
            }
            if (t % 1000 == 0)
                fakeWindow::clear();
        }
        releaseAllKeys();
    }
    EXPECT_GT(games, 10) << "fast enough to end games and start new ones";
}
