// The music thread itself against a recording audio port: it plays when
// "Music" is on, wakes for a request or the port's end of a piece and for
// nothing else, and stops at once.
#include "audio/music.h"
#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/window.h"
#include "fakeaudio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using fakeAudio::Calls;

class MusicThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto* flag : {&musicStartRequest, &musicPauseRequest, &musicResumeRequest, &musicStopRequest,
                           &musicTrackEnded})
            *flag = false;
        messageBoxOpen = false;
        fakeAudio::install();
    }

    void TearDown() override
    {
        stopMusicThread();
        installAudioPort({});
        game.musicOn = false;
    }

    // Collects the port's calls until the last one is the given one, or the
    // limit is up; what came in that time.
    Calls callsUntil(const std::string& last, std::chrono::milliseconds limit = 3000ms)
    {
        const auto until = Clock::now() + limit;
        for (;;) {
            for (std::string& call : fakeAudio::take())
                seen.push_back(std::move(call));
            if ((!seen.empty() && seen.back() == last) || Clock::now() >= until)
                break;
            std::this_thread::sleep_for(5ms);
        }
        Calls taken;
        taken.swap(seen);
        return taken;
    }

    Calls seen;
};

TEST_F(MusicThreadTest, WithMusicOffItOpensNothingAndStopsAtOnce)
{
    game.musicOn = false;
    ASSERT_TRUE(startMusicThread());
    EXPECT_FALSE(musicStartRequest);
    std::this_thread::sleep_for(20ms);
    const auto stopping = Clock::now();
    stopMusicThread();
    EXPECT_LT(Clock::now() - stopping, 300ms);
    EXPECT_EQ(fakeAudio::take(), Calls{});
    // Stopping twice is harmless.
    stopMusicThread();
}

TEST_F(MusicThreadTest, PlaysAndMovesOnWhenThePortReportsTheEndAfterAGap)
{
    game.musicOn = true;
    ASSERT_TRUE(startMusicThread());
    EXPECT_FALSE(startMusicThread());
    Calls calls = callsUntil("play");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].rfind("open music/", 0), 0u) << calls[0];

    // Idle while the piece plays: no request and no end, no call.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(fakeAudio::take(), Calls{});

    const auto ended = Clock::now();
    fakeAudio::reachEnd();
    EXPECT_EQ(callsUntil("close"), Calls{"close"});
    calls = callsUntil("play");
    const auto nextStarted = Clock::now();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].rfind("open music/", 0), 0u) << calls[0];
    EXPECT_GE(nextStarted - ended, 900ms) << "a moment of quiet between two pieces";

    const auto stopping = Clock::now();
    stopMusicThread();
    EXPECT_LT(Clock::now() - stopping, 300ms);
    EXPECT_EQ(fakeAudio::take(), Calls{"close"}) << "the piece does not outlive the thread";
}

TEST_F(MusicThreadTest, ServesTheWindowsRequestsAsTheyCome)
{
    game.musicOn = true;
    ASSERT_TRUE(startMusicThread());
    ASSERT_EQ(callsUntil("play").size(), 2u);
    musicWindowActivation(false);
    EXPECT_EQ(callsUntil("pause", 1000ms), Calls{"pause"});
    // An end while paused closes the piece; the next waits for the resume.
    fakeAudio::reachEnd();
    EXPECT_EQ(callsUntil("close", 1000ms), Calls{"close"});
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(fakeAudio::take(), Calls{});
    musicWindowActivation(true);
    const Calls calls = callsUntil("play", 1000ms);
    ASSERT_EQ(calls.size(), 2u);
    musicOptionSwitched(false);
    EXPECT_EQ(callsUntil("pause", 1000ms), Calls{"pause"});
}

TEST_F(MusicThreadTest, PrepareRunsFirstAndFinishLastOnTheThread)
{
    static std::thread::id preparedOn;
    static std::thread::id finishedOn;
    static Calls atFinish;
    preparedOn = finishedOn = {};
    atFinish.clear();
    // A front end opens its device and installs the port in prepare.
    installAudioPort({});
    game.musicOn = true;
    ASSERT_TRUE(startMusicThread(
        [] {
            preparedOn = std::this_thread::get_id();
            fakeAudio::install();
        },
        [] {
            finishedOn = std::this_thread::get_id();
            atFinish = fakeAudio::take();
        }));
    // Without a port the first start would have opened nothing.
    EXPECT_EQ(callsUntil("play").size(), 2u);
    stopMusicThread();
    EXPECT_NE(preparedOn, std::thread::id{});
    EXPECT_NE(preparedOn, std::this_thread::get_id());
    EXPECT_EQ(finishedOn, preparedOn);
    EXPECT_EQ(atFinish, Calls{"close"}) << "finish comes after the piece is closed";
}

}  // namespace
