#include "core/folders.h"
#include "core/window.h"

#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

class PlayAreaTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        playAreaWidth = -1;
        playAreaHeight = -1;
        fieldOriginX = -1;
        fieldOriginY = -1;
    }
    void TearDown() override { fakeWindow::uninstall(); }

    static void setGame(int32_t width, int32_t height, int32_t extent, int32_t cellSize, bool predict,
                        int32_t direction = FORCE_DOWN)
    {
        game.fieldWidth = width;
        game.fieldHeight = height;
        game.maxShapeExtent = extent;
        game.cellSize = cellSize;
        game.predictShapes = predict;
        game.forceDirection = direction;
    }
};

TEST_F(PlayAreaTest, NarrowFieldIsCentredInTheMinimumWidth)
{
    // "Nano-tetramino": (4 + 2 + 2) x 10 = 80 pixels of natural width.
    setGame(4, 15, 2, 10, true);
    resizeWindow(false);
    EXPECT_EQ(playAreaWidth, 150);
    EXPECT_EQ(playAreaHeight, 150);
    EXPECT_EQ(fieldOriginX, 35);
    EXPECT_EQ(fieldOriginY, 0);
    EXPECT_TRUE(eraseOnRepaint);
}

TEST_F(PlayAreaTest, NaturalWidthOfExactly150NeedsNoMargin)
{
    setGame(9, 40, 4, 10, true);  // (9 + 4 + 2) x 10 = 150
    resizeWindow(false);
    EXPECT_EQ(playAreaWidth, 150);
    EXPECT_EQ(playAreaHeight, 400);
    EXPECT_EQ(fieldOriginX, 0);
    EXPECT_EQ(fieldOriginY, 0);
    EXPECT_FALSE(eraseOnRepaint);
}

TEST_F(PlayAreaTest, GravityDirectionDecidesWhichSideCarriesThePanel)
{
    for (int32_t direction : {FORCE_RIGHT, FORCE_LEFT}) {
        setGame(12, 25, 4, 16, true, direction);
        resizeWindow(false);
        EXPECT_EQ(playAreaWidth, 25 * 16) << "direction " << direction;
        EXPECT_EQ(playAreaHeight, (12 + 6) * 16) << "direction " << direction;
    }
    for (int32_t direction : {FORCE_DOWN, FORCE_UP}) {
        setGame(12, 25, 4, 16, true, direction);
        resizeWindow(false);
        EXPECT_EQ(playAreaWidth, (12 + 6) * 16) << "direction " << direction;
        EXPECT_EQ(playAreaHeight, 25 * 16) << "direction " << direction;
    }
}

TEST_F(PlayAreaTest, PredictionOffDropsThePanel)
{
    setGame(20, 40, 6, 20, false);
    resizeWindow(false);
    EXPECT_EQ(playAreaWidth, 400);
    EXPECT_EQ(playAreaHeight, 800);

    game.predictShapes = true;
    resizeWindow(false);
    EXPECT_EQ(playAreaWidth, (20 + 8) * 20);
}

TEST_F(PlayAreaTest, TinyFieldIsCentredBothWays)
{
    setGame(4, 4, 2, 8, false);  // 32 x 32 pixels
    resizeWindow(false);
    EXPECT_EQ(playAreaWidth, 150);
    EXPECT_EQ(playAreaHeight, 50);
    EXPECT_EQ(fieldOriginX, 59);
    EXPECT_EQ(fieldOriginY, 9);
    EXPECT_TRUE(eraseOnRepaint);
}

TEST_F(PlayAreaTest, UnknownDirectionLeavesOnlyTheMinimum)
{
    setGame(20, 40, 6, 10, true, 7);
    resizeWindow(false);
    EXPECT_EQ(playAreaWidth, 150);
    EXPECT_EQ(playAreaHeight, 50);
    EXPECT_EQ(fieldOriginX, 75);
    EXPECT_EQ(fieldOriginY, 25);
}

TEST_F(PlayAreaTest, ShapeIsReanchoredToTheCentreOfItsCell)
{
    setGame(20, 40, 6, 15, true);
    game.shapeColumn = 3;
    game.shapeRow = -2;
    game.shapeX = 1000.75;
    game.shapeY = 3.5;
    resizeWindow(false);
    EXPECT_EQ(game.shapeX, 52.0);   // 3 x 15 + 7
    EXPECT_EQ(game.shapeY, -23.0);  // -2 x 15 + 7
}

TEST_F(PlayAreaTest, WindowIsResizedAndRepaintedOnlyOnceItExists)
{
    setGame(4, 15, 2, 10, true);
    resizeWindow(true);
    EXPECT_EQ(playAreaWidth, 150);  // computed all the same

    fakeWindow::install();
    resizeWindow(true);
    resizeWindow(false);
    ASSERT_EQ(fakeWindow::resizes().size(), 2u);
    EXPECT_EQ(fakeWindow::resizes()[0].width, 150);
    EXPECT_EQ(fakeWindow::resizes()[0].height, 150);
    EXPECT_TRUE(fakeWindow::resizes()[0].moveToCentre);
    EXPECT_FALSE(fakeWindow::resizes()[1].moveToCentre);
    // The resize repaints without erasing even when the margins need it.
    EXPECT_EQ(fakeWindow::repaints(), (std::vector<bool>{false, false}));

    fakeWindow::uninstall();
    resizeWindow(false);
    EXPECT_EQ(fakeWindow::resizes().size(), 2u);
}

class ServicesTest : public GameTest {
protected:
    void TearDown() override { fakeWindow::uninstall(); }
};

TEST_F(ServicesTest, RepaintRequestCarriesTheEraseFlag)
{
    requestRepaint(true);  // no window yet: nothing to record, nothing to crash
    fakeWindow::install();
    requestRepaint(true);
    requestRepaint(false);
    EXPECT_EQ(fakeWindow::repaints(), (std::vector<bool>{true, false}));
}

TEST_F(ServicesTest, MessagesAreFormattedWhole)
{
    fakeWindow::install();
    const std::string longText(1000, 'w');
    showMessage("Your score: %d", 4711);
    showMessage("%s|%s", longText.c_str(), "end");
    ASSERT_EQ(fakeWindow::messages().size(), 2u);
    EXPECT_EQ(fakeWindow::messages()[0], "Your score: 4711");
    EXPECT_EQ(fakeWindow::messages()[1], longText + "|end");
}

TEST_F(ServicesTest, TipWithPerCentSignIsShownLiterally)
{
    fakeWindow::install();
    const char* tip = "100% sure: %d %s %n";
    showMessage("%s", tip);
    ASSERT_EQ(fakeWindow::messages().size(), 1u);
    EXPECT_EQ(fakeWindow::messages()[0], tip);
}

TEST_F(ServicesTest, MessageBoxFlagIsSetOnlyWhileTheBoxIsOpen)
{
    fakeWindow::install(7);
    EXPECT_EQ(showMessage("hello"), 7);
    EXPECT_EQ(fakeWindow::flagWhileShown(), (std::vector<bool>{true}));
    EXPECT_FALSE(messageBoxOpen.load());

    fakeWindow::uninstall();
    EXPECT_EQ(showMessage("nobody sees this"), 0);
    EXPECT_FALSE(messageBoxOpen.load());
}

TEST_F(ServicesTest, GameDirectoryIsTheWorkingDirectory)
{
    TempDir dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    findGameDirectory();
    std::filesystem::current_path(before);
    // Moving away afterwards does not move the files.
    EXPECT_TRUE(std::filesystem::equivalent(gameDirectory, dir.path()));
    gameDirectory.clear();
}

// An installed game on a fresh account: the player's folders appear, private
// to the player, the moment they are needed; the installed data is never
// created, only read.
TEST(GameFoldersTest, PlayersFoldersAreMadeOnFirstUseAndDataIsNot)
{
    TempDir home;
    const std::filesystem::path state = home / ".local/state/dralen";
    installedFolders = {home / "share/games/dralen", home / ".config/dralen", state, home / ".local/share/dralen"};
    EXPECT_EQ(stateFolder(), state);
    EXPECT_EQ(configFolder(), home / ".config/dralen");
    EXPECT_TRUE(std::filesystem::is_directory(state));
    EXPECT_TRUE(std::filesystem::is_directory(home / ".config/dralen"));
#ifndef _WIN32  // Windows keeps no such permission bits
    for (const auto& made : {state, state.parent_path(), home / ".local"})
        EXPECT_EQ(std::filesystem::status(made).permissions(), std::filesystem::perms::owner_all) << made;
#endif
    EXPECT_EQ(dataFolder(), home / "share/games/dralen");
    EXPECT_FALSE(std::filesystem::exists(home / "share"));
    EXPECT_FALSE(std::filesystem::exists(home / ".local/share"));
    installedFolders = {};
}

#if defined(__linux__)
// A working directory that has been deleted cannot be named: the player is
// told, and the program ends with exit code 0.
TEST(ServicesDeathTest, MissingWorkingDirectoryEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto vanish = [] {
        const std::filesystem::path doomed =
            std::filesystem::temp_directory_path() / ("dralen-vanishing-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directory(doomed);
        std::filesystem::current_path(doomed);
        std::filesystem::remove(doomed);
        installWindowPort({[](const char* text) {
                               std::fprintf(stderr, "%s\n", text);
                               return 1;
                           },
                           [](int32_t, int32_t, bool) {}, [](bool) {}});
        findGameDirectory();
        std::fprintf(stderr, "still running\n");
    };
    EXPECT_EXIT(vanish(), ::testing::ExitedWithCode(0),
                "Failed to get currect game directory, error code: [1-9][0-9]*");
}
#endif

}  // namespace
