// Sound cues, recorded through SDL's disk driver: what the player would hear.
#include "audio/music.h"
#include "core/ports.h"
#include "qt/sdlaudio.h"
#include "sdlaudiotest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int AUDIBLE = 100;  // of 32767, about -50 dBFS

void playSoundFile(const char* file)
{
    sdlAudioPort().playCue(file);
}

struct Recording {
    int rate = 0;
    std::vector<int16_t> samples;  // 16-bit stereo, interleaved

    int16_t peak() const
    {
        int peak = 0;
        for (int16_t s : samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        return static_cast<int16_t>(peak);
    }

    // Milliseconds from the first to the last audible frame; 0 when silent.
    double audibleSpanMs() const
    {
        long first = -1, last = -1;
        for (size_t i = 0; i < samples.size(); ++i)
            if (std::abs(static_cast<int>(samples[i])) > AUDIBLE) {
                if (first < 0)
                    first = static_cast<long>(i / 2);
                last = static_cast<long>(i / 2);
            }
        return first < 0 ? 0 : 1000.0 * static_cast<double>(last - first + 1) / rate;
    }
};

class CueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        file = audiotest::ownTemporaryPath("cues_" + test + ".raw");
        SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
        SDL_setenv("SDL_DISKAUDIOFILE", file.string().c_str(), 1);
        ASSERT_TRUE(openAudio());
        Uint16 format = 0;
        int channels = 0;
        Mix_QuerySpec(&rate, &format, &channels);
        ASSERT_EQ(format, AUDIO_S16SYS);
        ASSERT_EQ(channels, 2);
    }

    void TearDown() override
    {
        closeAudio();
        std::filesystem::remove(file);
    }

    // Closes the device, which flushes the file, and reads what was played.
    Recording stopAndListen()
    {
        closeAudio();
        Recording recording;
        recording.rate = rate;
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        recording.samples.resize(bytes.size() / 2);
        std::memcpy(recording.samples.data(), bytes.data(), recording.samples.size() * 2);
        return recording;
    }

    audiotest::DataFolder inDataDirectory{DRALEN_DATA_DIR};
    std::filesystem::path file;
    int rate = 0;
};

TEST_F(CueTest, EachCueSoundsForItsWholeLengthBelowFullScale)
{
    playSoundFile(SOUND_ROW_FILLED);
    std::this_thread::sleep_for(800ms);
    const Recording heard = stopAndListen();
    // The file is 550 ms of sound from start to end.
    EXPECT_GT(heard.audibleSpanMs(), 450);
    EXPECT_LT(heard.audibleSpanMs(), 650);
    EXPECT_GT(heard.peak(), 3000);
    // Turned down so as not to stand far above the music.
    EXPECT_LT(heard.peak(), 16000);
}

TEST_F(CueTest, SecondCueCutsOffTheFirst)
{
    const auto firstStarted = Clock::now();
    playSoundFile(SOUND_ROW_FILLED);  // 550 ms
    std::this_thread::sleep_for(60ms);
    const double gapMs = std::chrono::duration<double, std::milli>(Clock::now() - firstStarted).count();
    playSoundFile(SOUND_ROTATE);  // 100 ms
    std::this_thread::sleep_for(800ms);
    const Recording heard = stopAndListen();

    // Had the first cue gone on, something would sound until 550 ms after it
    // started; cut off, the sound ends with the short one. Two buffers of
    // 23 ms and some scheduling slack on top.
    const double limitMs = gapMs + 100 + 2 * 23 + 60;
    if (limitMs >= 500)
        GTEST_SKIP() << "the machine was too slow to tell: " << gapMs << " ms between the cues";
    EXPECT_GT(heard.audibleSpanMs(), 100);
    EXPECT_LT(heard.audibleSpanMs(), limitMs);
}

TEST_F(CueTest, ARestingDeviceWakesForACueAndPlaysItWhole)
{
    letAudioRestWhenSilent();
    ASSERT_TRUE(audiotest::waitUntil(audioResting, 3000ms)) << "nothing sounds, yet the audio thread goes on";
    playSoundFile(SOUND_ROW_FILLED);
    EXPECT_TRUE(audiotest::waitUntil(audioResting, 3000ms)) << "it rests again once the cue is over";
    const Recording heard = stopAndListen();
    // At the cue volume 537 ms of the file's 550 are audible: none of it may
    // be lost at the start while the device wakes, nor at the end when it
    // goes back to rest.
    EXPECT_GT(heard.audibleSpanMs(), 536);
    EXPECT_LT(heard.audibleSpanMs(), 560);
}

TEST_F(CueTest, MissingFileAndClosedDeviceAreSilent)
{
    playSoundFile("sfx/no_such_cue.wav");
    playSoundFile("sfx/no_such_cue.wav");
    std::this_thread::sleep_for(150ms);
    const Recording heard = stopAndListen();
    EXPECT_GT(heard.samples.size(), 0u);
    EXPECT_EQ(heard.peak(), 0);
    // After the device is gone cues are simply dropped.
    playSoundFile(SOUND_ROTATE);
}

TEST(AudioWithoutDevice, OpenFailsAndEverythingStaysSilent)
{
    SDL_setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_FALSE(openAudio());
    playSoundFile(SOUND_ROTATE);

    audiotest::DataFolder inDataDirectory{DRALEN_DATA_DIR};
    musicTrackEnded = false;
    const AudioPort port = sdlAudioPort();
    EXPECT_FALSE(port.openPiece(MUSIC_FILES[0]));
    EXPECT_FALSE(port.playPiece());
    EXPECT_EQ(msUntilPieceEnd(), std::nullopt);
    EXPECT_FALSE(musicTrackEnded);
    port.closePiece();
    // Closing a device that never opened is harmless.
    closeAudio();
}

// Holds the audio thread at the end of its next mix, with the device's lock
// in hand, until released: an audio thread that, once woken, does not get to
// run for a while, as on a busy machine.
class AudioThreadStall {
public:
    AudioThreadStall() { Mix_SetPostMix(stall, this); }
    ~AudioThreadStall()
    {
        release();
        AudioWake wake;
        Mix_SetPostMix(nullptr, nullptr);
    }

    void hold()
    {
        std::lock_guard<std::mutex> lock(mutex);
        held = true;
    }

    void release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            held = false;
        }
        released.notify_all();
    }

private:
    static void stall(void* self, Uint8*, int)
    {
        auto* me = static_cast<AudioThreadStall*>(self);
        std::unique_lock<std::mutex> lock(me->mutex);
        me->released.wait(lock, [me] { return !me->held; });
    }

    std::mutex mutex;
    std::condition_variable released;
    bool held = false;
};

TEST_F(CueTest, ACueForARestingDeviceDoesNotWaitForTheAudioThreadToRun)
{
    AudioThreadStall stall;
    letAudioRestWhenSilent();
    ASSERT_TRUE(audiotest::waitUntil(audioResting, 3000ms));
    // The game thread plays cues holding gameLock, which every paint needs:
    // it must not wait until the woken audio thread gets to run.
    stall.hold();
    auto cue = std::async(std::launch::async, [] { playSoundFile(SOUND_ROW_FILLED); });
    const bool returned = cue.wait_for(2s) == std::future_status::ready;
    stall.release();
    cue.wait();
    EXPECT_TRUE(returned) << "the cue waited for the audio thread";
    // Handed over, the cue is still played whole once the thread runs.
    EXPECT_TRUE(audiotest::waitUntil(audioResting, 3000ms));
    const Recording heard = stopAndListen();
    EXPECT_GT(heard.audibleSpanMs(), 536);
    EXPECT_LT(heard.audibleSpanMs(), 560);
}

}  // namespace
