#include "audio/music.h"

#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/services.h"

#include <SDL_mixer.h>
#include <SDL_thread.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

std::atomic<bool> musicStartRequest{false};
std::atomic<bool> musicPauseRequest{false};
std::atomic<bool> musicResumeRequest{false};
std::atomic<bool> musicStopRequest{false};
std::atomic<bool> musicTrackEnded{false};

namespace {

// Each line: a piece's file name and its length in milliseconds, up to the
// release of its last note.
constexpr const char* LENGTHS_FILE = "music/lengths.txt";
// Our endings fade below -60 dBFS within a second of the last note-off, so
// halting then cuts nothing audible. FluidSynth itself reports the end only
// about two seconds later still.
constexpr uint32_t RING_OUT_MS = 1000;
constexpr std::chrono::milliseconds POLL_INTERVAL{1000};

// SDL_mixer's end-of-piece hook. Audio thread, inside the mixer callback: it
// may touch nothing but the flag.
void pieceFinished()
{
    musicTrackEnded.store(true);
}

uint32_t listedLength(const char* file)
{
    const std::string name = std::filesystem::path(file).filename().string();
    std::ifstream in(dataFolder() / LENGTHS_FILE);
    std::string listed;
    uint32_t ms = 0;
    while (in >> listed >> ms)
        if (listed == name)
            return ms;
    return 0;
}

class SdlMusicPlayer final : public MusicPlayer {
public:
    SdlMusicPlayer() { Mix_HookMusicFinished(pieceFinished); }

    ~SdlMusicPlayer() override
    {
        close();
        Mix_HookMusicFinished(nullptr);
    }

    bool open(const char* file) override
    {
        close();
        // Without a device FluidSynth would be set up for a sample rate of 0.
        if (Mix_QuerySpec(nullptr, nullptr, nullptr) == 0)
            return false;
        music = Mix_LoadMUS(dataFilePath(file).c_str());
        if (!music)
            return false;
        lengthMs = listedLength(file);
        return true;
    }

    bool play() override
    {
        if (!music || Mix_PlayMusic(music, 0) != 0)
            return false;
        playedMs = 0;
        running = true;
        runningSince = currentMilliseconds();
        return true;
    }

    void pause() override
    {
        if (!running)
            return;
        Mix_PauseMusic();
        playedMs += currentMilliseconds() - runningSince;
        running = false;
    }

    void resume() override
    {
        if (!music || running)
            return;
        Mix_ResumeMusic();
        running = true;
        runningSince = currentMilliseconds();
    }

    void close() override
    {
        if (!music)
            return;
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
        lengthMs = 0;
        playedMs = 0;
        running = false;
    }

    bool finished() override
    {
        if (!music || lengthMs == 0)
            return false;
        const uint32_t elapsed = playedMs + (running ? currentMilliseconds() - runningSince : 0);
        return elapsed >= lengthMs + RING_OUT_MS;
    }

private:
    Mix_Music* music = nullptr;
    uint32_t lengthMs = 0;  // 0: not listed, FluidSynth's own report ends it
    // Playing time only: a pause must not bring the end closer.
    uint32_t playedMs = 0;
    uint32_t runningSince = 0;
    bool running = false;
};

void closePiece(MusicPlayer& player, MusicThreadState& state)
{
    player.close();
    state.pieceOpen = false;
    // Halting raises the player's end notification as well; that, and any end
    // noticed before, belongs to the piece just closed.
    musicTrackEnded = false;
}

// A failed open or play leaves the music silent until the next start request.
void startNewPiece(MusicPlayer& player, MusicThreadState& state)
{
    const char* file = MUSIC_FILES[randomBelow(static_cast<int32_t>(MUSIC_FILES.size()))];
    if (!player.open(file))
        return;
    state.pieceOpen = true;
    if (!player.play())
        closePiece(player, state);
}

std::thread musicWorker;
std::mutex wakeMutex;
std::condition_variable wakeSignal;
bool quitRequested = false;

// The music thread's body, started by startMusicThread: one poll a second
// until stopMusicThread wakes it.
void musicThread()
{
    {
        std::unique_ptr<MusicPlayer> player = createSdlMusicPlayer();
        MusicThreadState state;
        std::unique_lock<std::mutex> lock(wakeMutex);
        while (!wakeSignal.wait_for(lock, POLL_INTERVAL, [] { return quitRequested; })) {
            lock.unlock();
            serveMusicRequests(*player, state);
            lock.lock();
        }
        // The player closes its piece as it goes.
    }
    // SDL keeps a block of thread-local data (its error text among it) for
    // every thread that calls it, and frees it by itself only on threads it
    // started; this one is ours, so it is freed here.
    SDL_TLSCleanup();
}

}  // namespace

void musicOptionSwitched(bool on)
{
    if (on) {
        musicPauseRequest = false;
        musicStartRequest = true;
    } else {
        // A start still waiting stays: it opens the piece that this pause then
        // holds, so that switching on again goes on with it.
        musicResumeRequest = false;
        musicPauseRequest = true;
    }
}

void musicWindowActivation(bool active)
{
    if (!game.musicOn)
        return;
    if (active) {
        musicPauseRequest = false;
        musicResumeRequest = true;
    } else if (!messageBoxOpen) {
        musicResumeRequest = false;
        musicPauseRequest = true;
    }
}

void serveMusicRequests(MusicPlayer& player, MusicThreadState& state)
{
    if (state.pieceOpen && !state.musicPaused && player.finished())
        musicTrackEnded = true;

    if (musicStopRequest.exchange(false)) {
        if (state.pieceOpen)
            closePiece(player, state);
        state.newPieceOnResume = false;
        return;
    }
    if (musicStartRequest.exchange(false)) {
        state.musicPaused = false;
        state.newPieceOnResume = false;
        if (state.pieceOpen)
            player.resume();
        else
            startNewPiece(player, state);
        return;
    }
    if (musicPauseRequest.exchange(false)) {
        if (state.musicPaused)
            return;
        state.musicPaused = true;
        if (state.pieceOpen)
            player.pause();
        return;
    }
    if (musicResumeRequest.exchange(false)) {
        if (!state.musicPaused)
            return;
        state.musicPaused = false;
        if (state.pieceOpen) {
            player.resume();
        } else if (state.newPieceOnResume) {
            state.newPieceOnResume = false;
            startNewPiece(player, state);
        }
        return;
    }
    if (musicTrackEnded.exchange(false)) {
        // Without a piece there is nothing to end; going on here would retry a
        // piece that failed to open.
        if (!state.pieceOpen)
            return;
        // Our player reports only real ends, never a pause: a piece that ended
        // while paused is over, and the music goes on with a new one.
        closePiece(player, state);
        if (state.musicPaused)
            state.newPieceOnResume = true;
        else
            musicStartRequest = true;
    }
}

std::unique_ptr<MusicPlayer> createSdlMusicPlayer()
{
    return std::make_unique<SdlMusicPlayer>();
}

bool startMusicThread()
{
    if (musicWorker.joinable())
        return false;
    // Read here on the window thread, which is the only one that writes it.
    if (game.musicOn)
        musicStartRequest = true;
    quitRequested = false;
    musicWorker = std::thread(musicThread);
    return true;
}

void stopMusicThread()
{
    if (!musicWorker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        quitRequested = true;
    }
    wakeSignal.notify_all();
    musicWorker.join();
}
