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
// After the ring-out, a moment of quiet before the next piece begins.
constexpr std::chrono::milliseconds PIECE_GAP{1000};

using Clock = std::chrono::steady_clock;

std::thread musicWorker;
// The music thread sleeps on wakeSignal until a request flag is raised (the
// raiser then notifies under wakeMutex, so the wake cannot fall between the
// thread's look at the flags and its wait), its piece is due to end, or
// stopMusicThread sets quitRequested.
std::mutex wakeMutex;
std::condition_variable wakeSignal;
bool quitRequested = false;

void wakeMusicThread()
{
    { std::lock_guard<std::mutex> lock(wakeMutex); }
    wakeSignal.notify_all();
}

// SDL_mixer's end-of-piece hook. Audio thread, inside the mixer callback:
// raises the flag and wakes the music thread, which never holds wakeMutex
// while it calls the mixer.
void pieceFinished()
{
    musicTrackEnded.store(true);
    wakeMusicThread();
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
    SdlMusicPlayer()
    {
        AudioWake wake;
        Mix_HookMusicFinished(pieceFinished);
    }

    ~SdlMusicPlayer() override
    {
        close();
        AudioWake wake;
        Mix_HookMusicFinished(nullptr);
    }

    bool open(const char* file) override
    {
        close();
        // Without a device FluidSynth would be set up for a sample rate of 0.
        int channels = 0;
        Uint16 format = 0;
        if (Mix_QuerySpec(&rate, &format, &channels) == 0 || rate <= 0)
            return false;
        frameBytes = channels * static_cast<int>(SDL_AUDIO_BITSIZE(format) / 8);
        AudioWake wake;
        music = Mix_LoadMUS(dataFilePath(file).c_str());
        if (!music)
            return false;
        lengthMs = listedLength(file);
        Mix_RegisterEffect(MIX_CHANNEL_POST, countPlayedFrames, nullptr, this);
        return true;
    }

    bool play() override
    {
        if (!music)
            return false;
        framesPlayed = 0;
        AudioWake wake;
        if (Mix_PlayMusic(music, 0) != 0)
            return false;
        counting = true;
        return true;
    }

    void pause() override
    {
        if (!music || !counting)
            return;
        // Stopped before the music, so that no buffer is counted that the
        // mixer did not play.
        counting = false;
        AudioWake wake;
        Mix_PauseMusic();
    }

    void resume() override
    {
        if (!music || counting)
            return;
        AudioWake wake;
        Mix_ResumeMusic();
        counting = true;
    }

    void close() override
    {
        if (!music)
            return;
        counting = false;
        AudioWake wake;
        Mix_UnregisterEffect(MIX_CHANNEL_POST, countPlayedFrames);
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
        lengthMs = 0;
    }

    bool finished() override
    {
        return music && lengthMs != 0 && playedMs() >= lengthMs + RING_OUT_MS;
    }

    std::optional<uint32_t> msUntilEnd() override
    {
        if (!music || lengthMs == 0 || !counting)
            return std::nullopt;
        const uint64_t played = playedMs();
        const uint64_t end = lengthMs + RING_OUT_MS;
        return static_cast<uint32_t>(played >= end ? 0 : end - played);
    }

private:
    // A post-mix effect: audio thread, inside the mixer callback, once for
    // every buffer the mixer fills. Registered while a piece is open; the
    // mixer unregisters effects by function, so one player plays at a time. The music adds to that buffer only while
    // it plays and is not paused, which is when counting is set.
    static void countPlayedFrames(int, void*, int bytes, void* self)
    {
        auto* player = static_cast<SdlMusicPlayer*>(self);
        if (player->counting && player->frameBytes > 0)
            player->framesPlayed += static_cast<uint64_t>(bytes / player->frameBytes);
    }

    uint64_t playedMs() const { return framesPlayed * 1000 / static_cast<uint64_t>(rate); }

    Mix_Music* music = nullptr;
    uint32_t lengthMs = 0;  // 0: not listed, FluidSynth's own report ends it
    int rate = 0;
    int frameBytes = 0;
    // Frames the mixer has played of the open piece: a pause must not bring
    // the end closer, and neither may a device that runs slow.
    std::atomic<uint64_t> framesPlayed{0};
    std::atomic<bool> counting{false};
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

// What may be served now. A start that follows the end of a piece waits out
// the gap, unless another request comes first: the order of serving is fixed.
bool servable(Clock::time_point nextPieceAt)
{
    if (musicStopRequest || musicPauseRequest || musicResumeRequest || musicTrackEnded)
        return true;
    return musicStartRequest && Clock::now() >= nextPieceAt;
}

// The music thread's body, started by startMusicThread: it serves requests as
// they come and otherwise sleeps, with no timeout unless a piece plays.
void musicThread(void (*prepare)())
{
    nameThisThread("dralen-music");
    if (prepare)
        prepare();
    {
        std::unique_ptr<MusicPlayer> player = createSdlMusicPlayer();
        MusicThreadState state;
        Clock::time_point nextPieceAt{};
        for (;;) {
            // Asked outside wakeMutex: the audio thread takes that mutex
            // while it holds the device, and so may the player.
            std::optional<uint32_t> untilEnd;
            if (state.pieceOpen && !state.musicPaused)
                untilEnd = player->msUntilEnd();
            {
                std::unique_lock<std::mutex> lock(wakeMutex);
                const auto ready = [&] { return quitRequested || servable(nextPieceAt); };
                if (untilEnd)
                    wakeSignal.wait_until(lock, Clock::now() + std::chrono::milliseconds(*untilEnd), ready);
                else if (musicStartRequest)
                    wakeSignal.wait_until(lock, nextPieceAt, ready);
                else
                    wakeSignal.wait(lock, ready);
                if (quitRequested)
                    break;
            }
            // Served one at a time in their order, as many as are waiting.
            do {
                const bool wasOpen = state.pieceOpen;
                serveMusicRequests(*player, state);
                if (wasOpen && !state.pieceOpen && musicStartRequest)
                    nextPieceAt = Clock::now() + PIECE_GAP;
            } while (servable(nextPieceAt));
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
    wakeMusicThread();
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
    wakeMusicThread();
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

bool startMusicThread(void (*prepare)())
{
    if (musicWorker.joinable())
        return false;
    // Read here on the window thread, which is the only one that writes it.
    if (game.musicOn)
        musicStartRequest = true;
    quitRequested = false;
    musicWorker = std::thread(musicThread, prepare);
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
