// Recording and playing back: every sample game, played by a script with
// everything the window thread may do between ticks, replays step for step.
#include "game/replay.h"

#include "core/folders.h"
#include "game/newgame.h"
#include "persist/savefiles.h"
#include "support/fakewindow.h"
#include "support/gametest.h"
#include "support/scriptedplay.h"
#include "support/tempdir.h"
#include "ui/commands.h"

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
