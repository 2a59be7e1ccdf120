#include "persist/config.h"

#include "core/folders.h"
#include "game/keyboard.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using Keys = std::array<int32_t, KEY_COUNT>;
const Keys defaultKeys = {37, 39, 38, 40, 86, 67, 32, 13, 27};

class ConfigTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        gameDirectory = dir.path();
    }
    void TearDown() override
    {
        fakeWindow::uninstall();
        gameDirectory.clear();
    }

    void loadFrom(const std::string& text)
    {
        writeWholeFile(dir / "dralen.cfg", text);
        loadConfiguration();
    }

    static void expectSwitches(bool predict, bool projection, bool events, bool wallKicks, bool groundKicks,
                               bool slowdown, bool sounds, bool music)
    {
        EXPECT_EQ(game.predictShapes, predict);
        EXPECT_EQ(game.showProjection, projection);
        EXPECT_EQ(game.randomEvents, events);
        EXPECT_EQ(game.allowWallKicks, wallKicks);
        EXPECT_EQ(game.allowGroundKicks, groundKicks);
        EXPECT_EQ(game.fallSlowdownOnAction, slowdown);
        EXPECT_EQ(game.soundsOn, sounds);
        EXPECT_EQ(game.musicOn, music);
    }

    TempDir dir;
};

TEST_F(ConfigTest, DefaultKeysAreArrowsVCSpaceEnterEscape)
{
    Keys keys{};
    loadDefaultKeys(keys);
    EXPECT_EQ(keys, defaultKeys);
}

TEST_F(ConfigTest, FirstStartTakesTheDefaults)
{
    // Values the record starts with that must not survive start-up.
    game.shiftSpeed = 20;
    game.predictShapes = false;
    game.musicOn = true;
    game.skinIndex = 0;
    game.cellSize = 10;

    loadConfiguration();
    EXPECT_EQ(game.skinIndex, 2);
    EXPECT_EQ(game.cellSize, 20);
    EXPECT_EQ(game.shiftSpeed, 10);
    EXPECT_EQ(game.fastFallSpeed, 3);
    expectSwitches(true, true, true, true, true, true, true, false);
    EXPECT_EQ(game.keyBindings, defaultKeys);
}

TEST_F(ConfigTest, FirstExitWritesTheDocumentedFile)
{
    loadConfiguration();
    saveConfiguration();
    EXPECT_EQ(readWholeFile(dir / "dralen.cfg"),
              asTextFile("2\n10\n3\n1\n1\n1\n1\n1\n1\n1\n0\n37\t39\t38\t40\t86\t67\t32\t13\t27\t\n"));
}

TEST_F(ConfigTest, ChangedOptionsComeBackAtTheNextStart)
{
    game.skinIndex = 6;
    game.shiftSpeed = 15;
    game.fastFallSpeed = 5;
    game.predictShapes = false;
    game.showProjection = true;
    game.randomEvents = false;
    game.allowWallKicks = true;
    game.allowGroundKicks = false;
    game.fallSlowdownOnAction = true;
    game.soundsOn = false;
    game.musicOn = true;
    game.keyBindings = {65, 68, 87, 83, 81, 69, 32, 80, 122};
    saveConfiguration();

    game = GameState{};
    loadConfiguration();
    EXPECT_EQ(game.skinIndex, 6);
    EXPECT_EQ(game.cellSize, 16);  // "Neon"
    EXPECT_EQ(game.shiftSpeed, 15);
    EXPECT_EQ(game.fastFallSpeed, 5);
    expectSwitches(false, true, false, true, false, true, false, true);
    EXPECT_EQ(game.keyBindings, (Keys{65, 68, 87, 83, 81, 69, 32, 80, 122}));
}

TEST_F(ConfigTest, NonZeroSwitchReadsAsOnAndIsWrittenAsOne)
{
    loadFrom("3\n8\n2\n5\n0\n-3\n0\n0\n0\n0\n0\n37\t39\t38\t40\t86\t67\t32\t13\t27\t\n");
    expectSwitches(true, false, true, false, false, false, false, false);
    saveConfiguration();
    EXPECT_EQ(readWholeFile(dir / "dralen.cfg"),
              asTextFile("3\n8\n2\n1\n0\n1\n0\n0\n0\n0\n0\n37\t39\t38\t40\t86\t67\t32\t13\t27\t\n"));
}

TEST_F(ConfigTest, KeyLineLayoutDoesNotMatter)
{
    const Keys keys = {65, 68, 87, 83, 81, 69, 32, 80, 122};
    for (const char* keyText : {"65\t68\t87\t83\t81\t69\t32\t80\t122\n", "65 68 87 83 81 69 32 80 122\n",
                                "65\n68\n87\n83\n81\n69\n32\n80\n122", "65\t68\t87\t83\t81\t69\t32\t80\t122\t\n7\nignored\n"}) {
        game = GameState{};
        loadFrom(std::string("1\n5\n1\n1\n1\n1\n1\n1\n1\n1\n1\n") + keyText);
        EXPECT_EQ(game.keyBindings, keys) << keyText;
        EXPECT_EQ(game.skinIndex, 1) << keyText;
        EXPECT_EQ(game.shiftSpeed, 5) << keyText;
    }
    game = GameState{};
    loadFrom("1\r\n5\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n65\t68\t87\t83\t81\t69\t32\t80\t122\t\r\n");
    EXPECT_EQ(game.keyBindings, keys);
    EXPECT_TRUE(game.musicOn);
}

TEST_F(ConfigTest, UnreadableValuesFallBackOneByOne)
{
    loadFrom("Neon\n7\n4.5\n1\nyes\n0\n1\n0\n1\n0\n1\n65\tA\t87\t0x53\t81\t69\t32\t80\t122\t\n");
    EXPECT_EQ(game.skinIndex, 2);
    EXPECT_EQ(game.cellSize, 20);
    EXPECT_EQ(game.shiftSpeed, 7);  // usable though not on the menu: kept
    EXPECT_EQ(game.fastFallSpeed, 3);
    expectSwitches(true, true, false, true, false, true, false, true);
    EXPECT_EQ(game.keyBindings, (Keys{65, 39, 87, 40, 81, 69, 32, 80, 122}));
}

TEST_F(ConfigTest, ValuesTheGameCannotUseFallBackOneByOne)
{
    const struct {
        const char* skin;
        const char* shift;
        const char* fastFall;
    } cases[] = {{"8", "0", "0"}, {"-1", "-5", "11"}, {"99999999999", "101", "-3"}};
    for (const auto& c : cases) {
        game = GameState{};
        loadFrom(std::string(c.skin) + "\n" + c.shift + "\n" + c.fastFall +
                 "\n0\n0\n0\n0\n0\n0\n0\n1\n0\t255\t-1\t4294967295\t81\t69\t32\t80\t122\t\n");
        EXPECT_EQ(game.skinIndex, 2) << c.skin;
        EXPECT_EQ(game.cellSize, 20) << c.skin;
        EXPECT_EQ(game.shiftSpeed, 10) << c.shift;
        EXPECT_EQ(game.fastFallSpeed, 3) << c.fastFall;
        expectSwitches(false, false, false, false, false, false, false, true);
        EXPECT_EQ(game.keyBindings, (Keys{37, 39, 38, 40, 81, 69, 32, 80, 122}));
    }
}

TEST_F(ConfigTest, UsableSpeedsOutsideTheMenuAreKept)
{
    loadFrom("0\n7\n8\n");
    EXPECT_EQ(game.shiftSpeed, 7);
    EXPECT_EQ(game.fastFallSpeed, 8);
    EXPECT_EQ(game.cellSize, 10);
}

TEST_F(ConfigTest, TruncatedFileKeepsWhatItHolds)
{
    loadFrom("5\n20\n1\n0\n0");
    EXPECT_EQ(game.skinIndex, 5);
    EXPECT_EQ(game.cellSize, 12);
    EXPECT_EQ(game.shiftSpeed, 20);
    EXPECT_EQ(game.fastFallSpeed, 1);
    expectSwitches(false, false, true, true, true, true, true, false);
    EXPECT_EQ(game.keyBindings, defaultKeys);
}

TEST_F(ConfigTest, UnwritableConfigurationIsSilent)
{
    fakeWindow::install();
    gameDirectory = dir / "no such folder";
    loadConfiguration();
    saveConfiguration();
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));
    EXPECT_TRUE(fakeWindow::messages().empty());
}

}  // namespace
