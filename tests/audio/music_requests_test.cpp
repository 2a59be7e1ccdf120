// How the music thread answers the window's requests, one poll at a time,
// against an audio port that only records what it is told.
#include "audio/music.h"
#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/window.h"
#include "fakeaudio.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using fakeAudio::Calls;

bool isMusicFile(const std::string& call)
{
    return std::any_of(MUSIC_FILES.begin(), MUSIC_FILES.end(),
                       [&](const char* file) { return call == std::string("open ") + file; });
}

class MusicRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeClock::install();
        for (auto* flag : {&musicStartRequest, &musicPauseRequest, &musicResumeRequest, &musicStopRequest,
                           &musicTrackEnded})
            *flag = false;
        game.musicOn = true;
        messageBoxOpen = false;
        fakeAudio::install();
    }

    void TearDown() override
    {
        installAudioPort({});
        game.musicOn = false;
    }

    void poll() { serveMusicRequests(state); }

    void polls(int count)
    {
        for (int i = 0; i < count; ++i)
            poll();
    }

    // A piece playing, the calls that got it there forgotten.
    void startPlaying()
    {
        musicOptionSwitched(true);
        poll();
        ASSERT_EQ(fakeAudio::take().size(), 2u);
    }

    MusicThreadState state;
};

TEST_F(MusicRequestTest, StartOpensARandomPieceOnceAndThenGoesOnWithIt)
{
    musicOptionSwitched(true);
    poll();
    const Calls calls = fakeAudio::take();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(isMusicFile(calls[0])) << calls[0];
    EXPECT_EQ(calls[1], "play");

    musicOptionSwitched(true);
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"resume"});
}

TEST_F(MusicRequestTest, PicksComeFromTheWholeList)
{
    fakeAudio::failOpen = true;
    std::set<std::string> picked;
    for (int i = 0; i < 200; ++i) {
        musicStartRequest = true;
        poll();
        for (const std::string& call : fakeAudio::take()) {
            EXPECT_TRUE(isMusicFile(call)) << call;
            picked.insert(call);
        }
    }
    EXPECT_EQ(picked.size(), MUSIC_FILES.size());
}

TEST_F(MusicRequestTest, OneRequestPerPollStopFirstThenStartPauseResume)
{
    startPlaying();
    musicResumeRequest = true;
    musicPauseRequest = true;
    musicStartRequest = true;
    musicStopRequest = true;

    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"close"});
    poll();
    const Calls started = fakeAudio::take();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1], "play");
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"pause"});
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"resume"});
    polls(3);
    EXPECT_EQ(fakeAudio::take(), Calls{});
}

TEST_F(MusicRequestTest, SwitchingMusicOffAndOnWithinAPollKeepsItPlaying)
{
    startPlaying();
    musicOptionSwitched(false);
    musicOptionSwitched(true);
    polls(3);
    EXPECT_EQ(fakeAudio::take(), Calls{"resume"});
    EXPECT_FALSE(state.musicPaused);
}

TEST_F(MusicRequestTest, SwitchingMusicOnAndOffWithinAPollEndsPausedOnTheSamePiece)
{
    musicOptionSwitched(true);
    musicOptionSwitched(false);
    polls(3);
    const Calls calls = fakeAudio::take();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], "pause");
    EXPECT_TRUE(state.musicPaused);

    // Switched on again later: the same piece goes on.
    musicOptionSwitched(true);
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"resume"});
}

TEST_F(MusicRequestTest, AnotherWindowPausesButOurOwnMessageBoxDoesNot)
{
    startPlaying();
    musicWindowActivation(false);
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"pause"});
    musicWindowActivation(true);
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"resume"});

    messageBoxOpen = true;
    musicWindowActivation(false);
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{});
    messageBoxOpen = false;

    // Away and back within one poll: no pause at all.
    musicWindowActivation(false);
    musicWindowActivation(true);
    polls(2);
    EXPECT_EQ(fakeAudio::take(), Calls{});

    // With "Music" off the window leaves the music alone.
    game.musicOn = false;
    musicWindowActivation(false);
    musicWindowActivation(true);
    EXPECT_FALSE(musicPauseRequest);
    EXPECT_FALSE(musicResumeRequest);
}

TEST_F(MusicRequestTest, PauseWhilePausedAndResumeWhilePlayingChangeNothing)
{
    startPlaying();
    musicPauseRequest = true;
    poll();
    musicPauseRequest = true;
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"pause"});

    // One resume undoes any number of pauses.
    musicResumeRequest = true;
    poll();
    musicResumeRequest = true;
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"resume"});
    EXPECT_FALSE(state.musicPaused);
}

TEST_F(MusicRequestTest, EndedPieceIsClosedAndTheNextOneStartsAtTheFollowingPoll)
{
    startPlaying();
    musicTrackEnded = true;
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"close"});
    EXPECT_FALSE(musicTrackEnded);
    poll();
    Calls next = fakeAudio::take();
    ASSERT_EQ(next.size(), 2u);
    EXPECT_TRUE(isMusicFile(next[0]));

    // The same when the port reports the end itself, as a front end does.
    fakeAudio::reachEnd();
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"close"});
    poll();
    next = fakeAudio::take();
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[1], "play");
}

TEST_F(MusicRequestTest, PieceEndingWhilePausedGivesWayToANewOneOnResume)
{
    startPlaying();
    musicPauseRequest = true;
    poll();
    fakeAudio::take();

    musicTrackEnded = true;
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"close"});
    polls(3);
    EXPECT_EQ(fakeAudio::take(), Calls{}) << "nothing may play while paused";
    EXPECT_TRUE(state.musicPaused);

    musicResumeRequest = true;
    poll();
    const Calls calls = fakeAudio::take();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(isMusicFile(calls[0]));
    EXPECT_EQ(calls[1], "play");
}

TEST_F(MusicRequestTest, FailingOpenIsRetriedOnlyOnTheNextStartRequest)
{
    fakeAudio::failOpen = true;
    musicStartRequest = true;
    poll();
    EXPECT_EQ(fakeAudio::take().size(), 1u);

    fakeAudio::failOpen = false;
    musicWindowActivation(false);
    poll();
    musicWindowActivation(true);
    poll();
    musicTrackEnded = true;
    polls(3);
    EXPECT_EQ(fakeAudio::take(), Calls{});

    musicStartRequest = true;
    poll();
    const Calls calls = fakeAudio::take();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "play");
}

TEST_F(MusicRequestTest, FailingPlayClosesThePieceAndWaitsForTheNextStart)
{
    fakeAudio::failPlay = true;
    musicStartRequest = true;
    poll();
    const Calls calls = fakeAudio::take();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], "close");
    polls(3);
    EXPECT_EQ(fakeAudio::take(), Calls{});
}

TEST_F(MusicRequestTest, StopClosesThePieceAndNothingStartsAgain)
{
    startPlaying();
    musicStopRequest = true;
    poll();
    EXPECT_EQ(fakeAudio::take(), Calls{"close"});
    polls(3);
    EXPECT_EQ(fakeAudio::take(), Calls{});

    // Stopping while paused is just as final.
    startPlaying();
    musicPauseRequest = true;
    poll();
    musicStopRequest = true;
    poll();
    polls(3);
    EXPECT_EQ(fakeAudio::take(), (Calls{"pause", "close"}));
}

}  // namespace
