// "Save Game" and "Load Game" take the path the file chooser gives them as
// UTF-8, whatever the system's code page, so a folder or a name beyond ASCII
// is the one the player chose.
#include "core/utf8path.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"
#include "ui/commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What the file chooser hands over: UTF-8.
std::string chosenPath;
std::optional<std::string> choosePath()
{
    return chosenPath;
}

class FileCommandsTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
        installCommandPort({nullptr, nullptr, nullptr, choosePath, choosePath, nullptr, nullptr, nullptr});
        setUpGameInProgress();
    }
    void TearDown() override
    {
        installCommandPort({});
        fakeWindow::uninstall();
    }

    TempDir dir;
};

TEST_F(FileCommandsTest, SaveAndLoadThroughAFolderAndNameBeyondAscii)
{
    const fs::path folder = dir.path() / pathFromUtf8("Spielst\xc3\xa4nde");
    fs::create_directories(folder);
    chosenPath = utf8FromPath(folder) + "/Partie_\xc3\xa9.sav";

    const GameState saved = game;
    handleMenuCommand(CMD_SAVE_GAME);
    EXPECT_TRUE(fakeWindow::messages().empty());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(utf8FromPath(entry.path().filename()));
    EXPECT_EQ(names, std::vector<std::string>{"Partie_\xc3\xa9.sav"});

    game.score = 0;
    game.fieldCells.assign(game.fieldCells.size(), CELL_EMPTY);
    handleMenuCommand(CMD_LOAD_GAME);
    EXPECT_TRUE(fakeWindow::messages().empty());
    EXPECT_EQ(game.score, saved.score);
    EXPECT_EQ(game.fieldCells, saved.fieldCells);
}

}  // namespace
