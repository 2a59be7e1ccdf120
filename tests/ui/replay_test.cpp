// Recording and playing back: every sample game, played by a script with
// everything the window thread may do between ticks, replays step for step.
#include "game/replay.h"

#include "core/folders.h"
#include "core/utf8path.h"
#include "game/newgame.h"
#include "persist/durable.h"
#include "persist/savefiles.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/recordedgames.h"
#include "support/scriptedplay.h"
#include "support/tempdir.h"
#include "ui/commands.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

class ReplayTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        fakeWindow::install();
        gameDirectory = DRALEN_DATA_DIR;
        loadDefaultKeys(game.keyBindings);
    }
    void TearDown() override
    {
        fakeWindow::uninstall();
        releaseAllKeys();
        endPlayback();
    }
};

const std::filesystem::path fixtureFolder = DRALEN_REPLAY_FIXTURES_DIR;

std::vector<std::filesystem::path> committedRecordings()
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fixtureFolder, error))
        if (entry.path().extension() == ".replay")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST_F(ReplayTest, EverySampleGameReplaysStepForStep)
{
    std::mt19937 hands(20261208);
    for (const SampleGame& row : sampleGames) {
        SCOPED_TRACE(row.caption);
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        applySampleGame(row);
        std::vector<uint64_t> digests;
        for (int t = 0; t < 3000 && game.gameMode != MODE_GAME_OVER; ++t) {
            playScriptedTick(hands, true);
            digests.push_back(stateDigest());
        }
        const Replay recorded = currentRecording();
        Replay read;
        ASSERT_EQ(parseReplay(formatReplay(recorded), read), REPLAY_READ);

        ASSERT_TRUE(beginPlayback(read));
        PlaybackStep step = PLAYBACK_STEPPED;
        for (size_t t = 0; t < digests.size(); ++t) {
            step = playbackStep();
            ASSERT_NE(step, PLAYBACK_DIVERGED) << "at tick " << t;
            ASSERT_EQ(stateDigest(), digests[t]) << "at tick " << t;
        }
        EXPECT_EQ(step, PLAYBACK_FINISHED);
        endPlayback();
    }
}

TEST_F(ReplayTest, AGameContinuedFromTheAutomaticSaveIsWatchedWhole)
{
    TempDir dir;
    gameDirectory = dir.path();
    std::mt19937 hands(7);
    std::vector<uint64_t> digests;
    auto play = [&](int ticks) {
        for (int t = 0; t < ticks && game.gameMode != MODE_GAME_OVER; ++t) {
            playScriptedTick(hands, true);
            digests.push_back(stateDigest());
        }
    };
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        game.fieldWidth = 12;
        game.initialFallSpeed = 1.5;
        startNewGame();
        play(1500);
        writeAutosave();
        keepRecordingBesideAutosave();
    }
    // The next run: a fresh record, restored as start-up restores it.
    const ReplayOptions options{game.shiftSpeed, game.fastFallSpeed, game.cellSize, true, true, true,
                                game.fallSlowdownOnAction};
    game = GameState{};
    loadDefaultKeys(game.keyBindings);
    game.shiftSpeed = options.shiftSpeed;
    game.cellSize = options.cellSize;
    ASSERT_TRUE(loadAutosave());
    takeUpRecordingBesideAutosave();
    resizeWindow(true);
    {
        std::lock_guard<std::recursive_mutex> lock(gameLock);
        play(1500);
    }
    const Replay whole = currentRecording();
    ASSERT_EQ(whole.end.ticks, static_cast<int64_t>(digests.size())) << "the recording was taken up, not begun anew";
    ASSERT_TRUE(beginPlayback(whole));
    PlaybackStep step = PLAYBACK_STEPPED;
    for (size_t t = 0; t < digests.size() && step == PLAYBACK_STEPPED; ++t) {
        step = playbackStep();
        ASSERT_EQ(stateDigest(), digests[t]) << "at tick " << t;
    }
    EXPECT_EQ(step, PLAYBACK_FINISHED);
}

// Recordings made by an earlier build, on Linux, replay on every system this
// build runs on: a change to the rules, the reader or the order of the draws
// that breaks the player's kept replays shows here.
TEST_F(ReplayTest, EveryCommittedRecordingPlaysToItsEnd)
{
    const std::vector<std::filesystem::path> files = committedRecordings();
    ASSERT_GE(files.size(), std::size(recordedGames)) << "the recordings are missing";
    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        Replay replay;
        ASSERT_EQ(readReplayFile(file, replay), REPLAY_READ);
        ASSERT_TRUE(beginPlayback(replay));
        PlaybackStep step = PLAYBACK_STEPPED;
        while (step == PLAYBACK_STEPPED)
            step = playbackStep();
        EXPECT_EQ(step, PLAYBACK_FINISHED) << "after " << playbackTicks() << " of " << replay.end.ticks << " ticks";
        endPlayback();
    }
}

// The generator of the committed recordings and of the replay fuzzer's
// seeds, run by hand when the rules change on purpose:
//   dralen_tests --gtest_also_run_disabled_tests --gtest_filter=ReplayTest.DISABLED_WritesTheCommittedRecordings
TEST_F(ReplayTest, DISABLED_WritesTheCommittedRecordings)
{
    const std::filesystem::path seeds = std::filesystem::path(DRALEN_FUZZ_CORPUS_DIR) / "replay";
    for (const RecordedGame& played : recordedGames) {
        SCOPED_TRACE(played.name);
        const std::string name = std::string(played.name) + ".replay";
        fakeWindow::clear();
        ASSERT_EQ(replaceFileContents(fixtureFolder / name, formatReplay(playRecordedGame(played, played.ticks))),
                  WRITE_DONE);
        if (played.meddled) {
            EXPECT_FALSE(game.randomEvents) << "the game ended before the last change";
        }
        if (played.randomEvent) {
            EXPECT_GE(fakeWindow::messages().size(), 2u) << "the tip came, but no event";
        }
        ASSERT_EQ(replaceFileContents(seeds / name, formatReplay(playRecordedGame(played, 300))), WRITE_DONE);
    }
}

// Half of the check that a recording made on Windows plays on Linux: under
// Wine, `make test-windows` names the folder, and the Linux build's probe
// watches what lands there (dralen_probe replay).
TEST_F(ReplayTest, RecordsAGameWhereTheOtherSystemWatchesIt)
{
    const char* folder = std::getenv("DRALEN_RECORD_INTO");
    if (folder == nullptr)
        GTEST_SKIP() << "DRALEN_RECORD_INTO names no folder";
    const RecordedGame& played = recordedGames[std::size(recordedGames) - 1];
    const std::filesystem::path path = pathFromUtf8(folder) / (std::string(played.name) + ".replay");
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    ASSERT_EQ(replaceFileContents(path, formatReplay(playRecordedGame(played, played.ticks))), WRITE_DONE);
}
