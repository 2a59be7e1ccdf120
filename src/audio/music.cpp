#include "audio/music.h"

#include "audio/sound.h"
#include "core/gamestate.h"
#include "core/ports.h"
#include "core/window.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

std::atomic<bool> musicStartRequest{false};
std::atomic<bool> musicPauseRequest{false};
std::atomic<bool> musicResumeRequest{false};
std::atomic<bool> musicStopRequest{false};
std::atomic<bool> musicTrackEnded{false};

namespace {

// After a piece's end, a moment of quiet before the next piece begins.
constexpr std::chrono::milliseconds PIECE_GAP{1000};

using Clock = std::chrono::steady_clock;

std::thread musicWorker;
// The music thread sleeps on wakeSignal until a request flag is raised or the
// port reports the end of its piece (the raiser then notifies under
// wakeMutex, so the wake cannot fall between the thread's look at the flags
// and its wait), or stopMusicThread sets quitRequested.
std::mutex wakeMutex;
std::condition_variable wakeSignal;
bool quitRequested = false;

void wakeMusicThread()
{
    { std::lock_guard<std::mutex> lock(wakeMutex); }
    wakeSignal.notify_all();
}

// The installed port's music, each call doing nothing (or failing) where the
// port has no such member.
bool portOpenPiece(const char* file)
{
    bool (*open)(const char*) = audioPort().openPiece;
    return open && open(file);
}

bool portPlayPiece()
{
    bool (*play)() = audioPort().playPiece;
    return play && play();
}

void portPausePiece()
{
    if (void (*pause)() = audioPort().pausePiece)
        pause();
}

void portResumePiece()
{
    if (void (*resume)() = audioPort().resumePiece)
        resume();
}

void portClosePiece()
{
    if (void (*close)() = audioPort().closePiece)
        close();
}

void closePiece(MusicThreadState& state)
{
    portClosePiece();
    state.pieceOpen = false;
    // Halting may raise the port's end notification as well (SDL_mixer's
    // does); that, and any end reported before, belongs to the piece just
    // closed.
    musicTrackEnded = false;
}

// A failed open or play leaves the music silent until the next start request.
void startNewPiece(MusicThreadState& state)
{
    const char* file = MUSIC_FILES[randomBelow(static_cast<int32_t>(MUSIC_FILES.size()))];
    if (!portOpenPiece(file))
        return;
    state.pieceOpen = true;
    if (!portPlayPiece())
        closePiece(state);
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
// they come and otherwise sleeps, with no timeout unless a start waits out
// the gap after a piece.
void musicThread(void (*prepare)(), void (*finish)())
{
    nameThisThread("dralen-music");
    if (prepare)
        prepare();
    MusicThreadState state;
    Clock::time_point nextPieceAt{};
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(wakeMutex);
            const auto ready = [&] { return quitRequested || servable(nextPieceAt); };
            if (musicStartRequest)
                wakeSignal.wait_until(lock, nextPieceAt, ready);
            else
                wakeSignal.wait(lock, ready);
            if (quitRequested)
                break;
        }
        // Served one at a time in their order, as many as are waiting. The
        // port is called outside wakeMutex: its end notification takes that
        // mutex, on SDL's audio thread while it holds the device.
        do {
            const bool wasOpen = state.pieceOpen;
            serveMusicRequests(state);
            if (wasOpen && !state.pieceOpen && musicStartRequest)
                nextPieceAt = Clock::now() + PIECE_GAP;
        } while (servable(nextPieceAt));
    }
    // The piece must not outlive the thread: the device closes after it.
    if (state.pieceOpen)
        closePiece(state);
    if (finish)
        finish();
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

void musicPieceEnded()
{
    musicTrackEnded.store(true);
    wakeMusicThread();
}

void serveMusicRequests(MusicThreadState& state)
{
    if (musicStopRequest.exchange(false)) {
        if (state.pieceOpen)
            closePiece(state);
        state.newPieceOnResume = false;
        return;
    }
    if (musicStartRequest.exchange(false)) {
        state.musicPaused = false;
        state.newPieceOnResume = false;
        if (state.pieceOpen)
            portResumePiece();
        else
            startNewPiece(state);
        return;
    }
    if (musicPauseRequest.exchange(false)) {
        if (state.musicPaused)
            return;
        state.musicPaused = true;
        if (state.pieceOpen)
            portPausePiece();
        return;
    }
    if (musicResumeRequest.exchange(false)) {
        if (!state.musicPaused)
            return;
        state.musicPaused = false;
        if (state.pieceOpen) {
            portResumePiece();
        } else if (state.newPieceOnResume) {
            state.newPieceOnResume = false;
            startNewPiece(state);
        }
        return;
    }
    if (musicTrackEnded.exchange(false)) {
        // Without a piece there is nothing to end; going on here would retry a
        // piece that failed to open.
        if (!state.pieceOpen)
            return;
        // The port reports only real ends, never a pause: a piece that ended
        // while paused is over, and the music goes on with a new one.
        closePiece(state);
        if (state.musicPaused)
            state.newPieceOnResume = true;
        else
            musicStartRequest = true;
    }
}

bool startMusicThread(void (*prepare)(), void (*finish)())
{
    if (musicWorker.joinable())
        return false;
    // Read here on the window thread, which is the only one that writes it.
    if (game.musicOn)
        musicStartRequest = true;
    quitRequested = false;
    musicWorker = std::thread(musicThread, prepare, finish);
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
