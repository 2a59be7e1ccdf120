#include "persist/savefiles.h"

#include "core/folders.h"
#include "persist/saveformat.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/samplestates.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <csignal>
#include <sys/resource.h>
#define DRALEN_CAN_LIMIT_FILE_SIZE 1
#endif

namespace {

namespace fs = std::filesystem;

const std::string cannotOpenToLoad = "Couldn't open file to load game";
const std::string cannotOpenToSave = "Couldn't open file to save game";
const std::string cannotWrite = "Couldn't write file to save game";

std::string savedText()
{
    std::ostringstream out;
    EXPECT_TRUE(writeGameState(out));
    return out.str();
}

std::vector<std::string> namesIn(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SaveFilesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
        gameDirectory = dir.path();
        setUpGameInProgress();
    }
    void TearDown() override
    {
        fakeWindow::uninstall();
        gameDirectory.clear();
    }

    TempDir dir;
};

TEST_F(SaveFilesTest, SavedGameLoadsBack)
{
    const std::string expected = savedText();
    const GameState saved = game;
    ASSERT_TRUE(saveGameToFile(dir / "game.sav"));
    EXPECT_EQ(readWholeFile(dir / "game.sav"), asTextFile(expected));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"game.sav"});  // no temporary left

    game = GameState{};
    game.initialFallSpeed = saved.initialFallSpeed;
    game.gameMode = MODE_EDITOR;
    ASSERT_TRUE(loadGameFromFile(dir / "game.sav"));
    EXPECT_EQ(game.fieldCells, saved.fieldCells);
    EXPECT_EQ(game.shapeQueue, saved.shapeQueue);
    EXPECT_EQ(game.gameMode.load(), MODE_PLAYING);
    EXPECT_EQ(savedText(), expected);
    EXPECT_TRUE(fakeWindow::messages().empty());
}

TEST_F(SaveFilesTest, SavingReplacesALongerFileWhole)
{
    writeWholeFile(dir / "game.sav", std::string(100000, '7'));
    ASSERT_TRUE(saveGameToFile(dir / "game.sav"));
    EXPECT_EQ(readWholeFile(dir / "game.sav"), asTextFile(savedText()));
}

TEST_F(SaveFilesTest, FilesThatCannotBeOpenedAreReportedAndChangeNothing)
{
    fs::create_directory(dir / "folder.sav");
    const GameState before = game;
    for (const fs::path& path : {dir / "missing.sav", dir / "folder.sav"}) {
        fakeWindow::clear();
        EXPECT_FALSE(loadGameFromFile(path)) << path;
        EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{cannotOpenToLoad}) << path;
        EXPECT_TRUE(sameGame(game, before)) << path;
    }
}

TEST_F(SaveFilesTest, DamagedFileIsRefusedWithItsOwnMessage)
{
    std::string text = savedText();
    text.resize(text.size() / 2);
    writeWholeFile(dir / "half.sav", text);
    const GameState before = game;

    EXPECT_FALSE(loadGameFromFile(dir / "half.sav"));
    ASSERT_EQ(fakeWindow::messages().size(), 1u);
    EXPECT_NE(fakeWindow::messages()[0], cannotOpenToLoad);
    EXPECT_NE(fakeWindow::messages()[0].find("damaged"), std::string::npos);
    EXPECT_TRUE(sameGame(game, before));
}

TEST_F(SaveFilesTest, ReadOnlyTargetStaysAsItWas)
{
    writeWholeFile(dir / "kept.sav", "old contents\n");
    fs::permissions(dir / "kept.sav", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_FALSE(saveGameToFile(dir / "kept.sav"));
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{cannotOpenToSave});
    EXPECT_EQ(readWholeFile(dir / "kept.sav"), "old contents\n");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"kept.sav"});
}

TEST_F(SaveFilesTest, TargetsThatAreNoFilesAreNotReplaced)
{
    fs::create_directory(dir / "folder.sav");
    EXPECT_FALSE(saveGameToFile(dir / "folder.sav"));
    EXPECT_FALSE(saveGameToFile(dir / "no such folder" / "game.sav"));
    EXPECT_EQ(fakeWindow::messages(), (std::vector<std::string>{cannotOpenToSave, cannotOpenToSave}));
    EXPECT_TRUE(fs::is_directory(dir / "folder.sav"));
}

TEST_F(SaveFilesTest, TemporaryFilesOfOtherWritersAreLeftAlone)
{
    writeWholeFile(dir / "game.sav", "old contents\n");
    // Another game's save in progress, under the names it could have chosen,
    // and a days old file under the name older versions gave their
    // temporaries, which a player's copy may have as well.
    writeWholeFile(dir / "game.sav.tmp", "another game's\n");
    writeWholeFile(dir / "game.sav.1.0.tmp", "another game's\n");
    writeWholeFile(dir / "game.sav.2.0.tmp", "left behind\n");
    fs::last_write_time(dir / "game.sav.2.0.tmp", fs::file_time_type::clock::now() - std::chrono::hours(49));

    EXPECT_TRUE(saveGameToFile(dir / "game.sav"));
    EXPECT_EQ(readWholeFile(dir / "game.sav"), asTextFile(savedText()));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"game.sav", "game.sav.1.0.tmp", "game.sav.2.0.tmp", "game.sav.tmp"}));
    EXPECT_EQ(readWholeFile(dir / "game.sav.1.0.tmp"), "another game's\n");
}

#ifdef DRALEN_CAN_LIMIT_FILE_SIZE
TEST_F(SaveFilesTest, OldFileSurvivesAFailedWrite)
{
    writeWholeFile(dir / "game.sav", "old contents\n");
    // A disk that fills up: writes beyond 64 bytes fail.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 64;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = saveGameToFile(dir / "game.sav");
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(fakeWindow::messages(), std::vector<std::string>{cannotWrite});
    EXPECT_EQ(readWholeFile(dir / "game.sav"), "old contents\n");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"game.sav"});
}
#endif

TEST_F(SaveFilesTest, SavingThroughALinkReplacesTheFileItPointsTo)
{
    writeWholeFile(dir / "real.sav", "old contents\n");
    std::error_code error;
    fs::create_symlink(dir / "real.sav", dir / "link.sav", error);
    if (error)
        GTEST_SKIP() << "no symbolic links here";

    ASSERT_TRUE(saveGameToFile(dir / "link.sav"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.sav"));
    EXPECT_EQ(readWholeFile(dir / "real.sav"), asTextFile(savedText()));

    // A link to a file not made yet: made where the link points.
    fs::create_directory(dir / "elsewhere");
    fs::create_symlink(fs::path("elsewhere") / "new.sav", dir / "new link.sav");
    ASSERT_TRUE(saveGameToFile(dir / "new link.sav"));
    EXPECT_TRUE(fs::is_symlink(dir / "new link.sav"));
    EXPECT_EQ(readWholeFile(dir / "elsewhere" / "new.sav"), asTextFile(savedText()));
}

TEST_F(SaveFilesTest, AutosaveCarriesAGameToTheNextRun)
{
    game.gameMode = MODE_PAUSED;
    const std::string expected = savedText();
    writeAutosave();
    EXPECT_EQ(readWholeFile(dir / "autosave.sav"), asTextFile(expected));

    game = GameState{};
    ASSERT_TRUE(loadAutosave());
    EXPECT_EQ(savedText(), expected);
    EXPECT_EQ(game.gameMode.load(), MODE_PLAYING);
    EXPECT_TRUE(fakeWindow::messages().empty());
}

TEST_F(SaveFilesTest, MissingOrDamagedAutosaveFallsBackSilently)
{
    const GameState before = game;
    EXPECT_FALSE(loadAutosave());

    writeWholeFile(dir / "autosave.sav", "levels/x.sav\n\n12 25\n0 0\n");
    EXPECT_FALSE(loadAutosave());

    EXPECT_TRUE(fakeWindow::messages().empty());
    EXPECT_TRUE(sameGame(game, before));
}

TEST_F(SaveFilesTest, AutosaveWaitsWhileTheGameThreadHoldsTheLock)
{
    std::atomic<bool> done{false};
    std::thread writer;
    {
        std::lock_guard<std::recursive_mutex> tick(gameLock);
        writer = std::thread([&] {
            writeAutosave();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done.load());
        // A tick in progress replaces the field; the save must not see it half done.
        game.score = 99;
    }
    writer.join();
    game = GameState{};
    ASSERT_TRUE(loadAutosave());
    EXPECT_EQ(game.score, 99);
}

}  // namespace
