// The music on a real mixer: SDL's dummy driver runs it in real time without a
// sound card, and a meter on the final mix tells sound from silence.
#include "audio/music.h"
#include "audio/sound.h"
#include "core/gamestate.h"
#include "qt/sdlaudio.h"
#include "sdlaudiotest.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

class MusicDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeClock::install();
        for (auto* flag : {&musicStartRequest, &musicPauseRequest, &musicResumeRequest, &musicStopRequest,
                           &musicTrackEnded})
            *flag = false;
        // Every piece is the same short chord, so whichever is picked the
        // test knows what it hears.
        std::filesystem::create_directories(dir / "music");
        for (const char* file : MUSIC_FILES)
            audiotest::writeChordMidi(dir / file, 700);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(openAudio());
        meter = std::make_unique<audiotest::OutputMeter>();
        installAudioPort(player);
    }

    void TearDown() override
    {
        player.closePiece();
        installAudioPort({});
        meter.reset();
        closeAudio();
        game.musicOn = false;
    }

    void poll() { serveMusicRequests(state); }

    long audible(std::chrono::milliseconds time) { return meter->audibleFramesDuring(time); }

    audiotest::ScratchDirectory scratch{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    const std::filesystem::path& dir = scratch.path;
    audiotest::DataFolder inGameDirectory{dir};
    std::unique_ptr<audiotest::OutputMeter> meter;
    const AudioPort player = sdlAudioPort();
    MusicThreadState state;
};

TEST_F(MusicDeviceTest, PlaysPausesResumesAndMovesOnToTheNextPiece)
{
    musicOptionSwitched(true);
    poll();
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_GT(audible(150ms), 0);

    musicOptionSwitched(false);
    poll();
    std::this_thread::sleep_for(50ms);  // a buffer already mixed may still come out
    EXPECT_EQ(audible(200ms), 0);

    musicOptionSwitched(true);
    poll();
    EXPECT_GT(audible(100ms), 0);

    // FluidSynth reports the end a good while after the last note-off.
    ASSERT_TRUE(audiotest::waitForFlag(musicTrackEnded, 6000ms));
    poll();
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_TRUE(musicStartRequest);
    poll();
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_GT(audible(150ms), 0);

    musicStopRequest = true;
    poll();
    EXPECT_FALSE(Mix_PlayingMusic());
    // Halting raised the end hook; that must not bring the music back.
    poll();
    poll();
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ(audible(100ms), 0);
}

TEST_F(MusicDeviceTest, PieceEndsOneSecondAfterItsListedLengthCountingOnlyWhatTheMixerPlayed)
{
    std::ofstream(dir / "music/lengths.txt") << "Techno_02.mid 5000\r\nTechno_01.mid 200\r\n";

    ASSERT_TRUE(player.openPiece("music/Techno_01.mid"));
    ASSERT_TRUE(player.playPiece());
    player.pausePiece();
    // Far longer than the piece on the clock, but none of it played.
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(musicTrackEnded);
    EXPECT_EQ(msUntilPieceEnd(), std::nullopt) << "paused, the end is not in sight";
    player.resumePiece();
    const std::optional<uint32_t> left = msUntilPieceEnd();
    ASSERT_TRUE(left.has_value());
    EXPECT_GT(*left, 1000u) << "200 ms of piece and 1 s of ring-out, less what played before the pause";
    EXPECT_LE(*left, 1200u);
    EXPECT_TRUE(audiotest::waitForFlag(musicTrackEnded, 5000ms));
    EXPECT_EQ(msUntilPieceEnd(), 0u);
    EXPECT_TRUE(Mix_PlayingMusic()) << "reported by the listed length, not by FluidSynth's end of the chord";

    // A piece missing from the list is left to FluidSynth's own report.
    ASSERT_TRUE(player.openPiece("music/Techno_03.mid"));
    musicTrackEnded = false;  // raised by halting the piece before
    ASSERT_TRUE(player.playPiece());
    EXPECT_EQ(msUntilPieceEnd(), std::nullopt);
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(musicTrackEnded);
    EXPECT_TRUE(audiotest::waitForFlag(musicTrackEnded, 6000ms));
    EXPECT_FALSE(Mix_PlayingMusic());
}

TEST_F(MusicDeviceTest, ThreadMovesOnOnceAListedPieceHasPlayedItsLength)
{
    std::ofstream lengths(dir / "music/lengths.txt");
    for (const char* file : MUSIC_FILES)
        lengths << std::filesystem::path(file).filename().string() << " 200\n";
    lengths.close();

    game.musicOn = true;
    ASSERT_TRUE(startMusicThread(nullptr, freeSdlThreadData));
    ASSERT_TRUE(audiotest::waitUntil([] { return Mix_PlayingMusic() != 0; }, 3000ms));
    const auto started = std::chrono::steady_clock::now();
    // The port's own end report wakes the thread: 200 ms and the ring-out,
    // where FluidSynth would end the 700 ms chord only some two seconds
    // after its note-off.
    ASSERT_TRUE(audiotest::waitUntil([] { return Mix_PlayingMusic() == 0; }, 5000ms));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2200ms);
    // And after the gap between pieces, the next one.
    EXPECT_TRUE(audiotest::waitUntil([] { return Mix_PlayingMusic() != 0; }, 3000ms));
    stopMusicThread();
    EXPECT_FALSE(Mix_PlayingMusic());
}

TEST_F(MusicDeviceTest, DeviceRestsWhileTheMusicIsPausedAndPlaysOnWhenResumed)
{
    letAudioRestWhenSilent();
    game.musicOn = true;
    ASSERT_TRUE(startMusicThread(nullptr, freeSdlThreadData));
    EXPECT_TRUE(audiotest::waitUntil([&] { return audible(50ms) > 0; }, 3000ms));
    musicWindowActivation(false);
    EXPECT_TRUE(audiotest::waitUntil(audioResting, 3000ms));
    musicWindowActivation(true);
    EXPECT_TRUE(audiotest::waitUntil([&] { return audible(50ms) > 0; }, 3000ms)) << "the same piece goes on";
    stopMusicThread();
}

TEST_F(MusicDeviceTest, ThreadStartsMusicWhenOnAndStopsAtOnce)
{
    game.musicOn = true;
    ASSERT_TRUE(startMusicThread(nullptr, freeSdlThreadData));
    EXPECT_FALSE(startMusicThread(nullptr, freeSdlThreadData));
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (!Mix_PlayingMusic() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(Mix_PlayingMusic()) << "the first poll comes a second after the start";

    const auto stopping = std::chrono::steady_clock::now();
    stopMusicThread();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 300ms);
    EXPECT_FALSE(Mix_PlayingMusic());
}

}  // namespace
