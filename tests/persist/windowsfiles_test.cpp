// What only Windows can show about the files: drive letters, backslashes and
// names outside the ANSI code page, and files that other programs hold open.
#ifdef _WIN32

#include "core/folders.h"
#include "game/newgame.h"
#include "persist/config.h"
#include "persist/savefiles.h"
#include "persist/saveformat.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string savedText()
{
    std::ostringstream out;
    EXPECT_TRUE(writeGameState(out));
    return out.str();
}

class WindowsFilesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
        setUpGameInProgress();
    }
    void TearDown() override
    {
        fakeWindow::uninstall();
        gameDirectory.clear();
    }

    TempDir dir;
};

TEST_F(WindowsFilesTest, GameDirectoryWithDriveLetterBackslashesAndWideName)
{
    // As the game names it on Windows: a drive, backslashes, a trailing
    // backslash, and a player's name no narrow code page can spell.
    const std::wstring folder = dir.path().wstring() + L"\\Spieler Zo\u00eb \u5c0f\u660e\\";
    ASSERT_EQ(folder[1], L':');
    fs::create_directories(folder);
    gameDirectory = folder;
    fs::create_directories(gameDirectory / "levels");
    std::ofstream(gameDirectory / "levels" / "Test.sav") << savedText();
    const std::string expected = savedText();

    game.skinIndex = 6;
    saveConfiguration();
    writeAutosave();
    EXPECT_EQ(readWholeFile(fs::path(folder + L"autosave.sav")), asTextFile(expected));
    EXPECT_EQ(readWholeFile(fs::path(folder + L"dralen.cfg")).substr(0, 3), "6\r\n");

    game = GameState{};
    loadConfiguration();
    EXPECT_EQ(game.skinIndex, 6);
    ASSERT_TRUE(loadAutosave());
    EXPECT_EQ(savedText(), expected);

    // Level names in files use forward slashes and join the backslashed folder.
    game = GameState{};
    game.levelFile = "levels/Test.sav";
    startNewGame();
    EXPECT_EQ(game.levelFile, "levels/Test.sav");
    EXPECT_EQ(game.fieldWidth, 12);
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{"Tip: keep going"});
}

// Another program reading the save, as the game itself reads it: shared for
// reading and writing, but not for deleting or renaming.
TEST_F(WindowsFilesTest, SaveOverAFileAnotherHandleKeepsOpen)
{
    const fs::path target = dir / "game.sav";
    writeWholeFile(target, "old contents\n");
    std::ifstream reader(target);
    ASSERT_TRUE(reader.is_open());

    EXPECT_TRUE(saveGameToFile(target));
    EXPECT_TRUE(fakeWindow::messages().empty());
    reader.close();
    EXPECT_EQ(readWholeFile(target), asTextFile(savedText()));
    EXPECT_FALSE(fs::exists(dir / "game.sav.tmp"));
}

// A program that opened the save for itself alone: the save is refused and
// the file stays as it was.
TEST_F(WindowsFilesTest, SaveOverAFileLockedByAnotherHandleIsRefused)
{
    const fs::path target = dir / "game.sav";
    writeWholeFile(target, "old contents\n");
    const HANDLE locked = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);

    EXPECT_FALSE(saveGameToFile(target));
    CloseHandle(locked);
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{"Couldn't open file to save game"});
    EXPECT_EQ(readWholeFile(target), "old contents\n");
    EXPECT_FALSE(fs::exists(dir / "game.sav.tmp"));
}

}  // namespace

#endif
