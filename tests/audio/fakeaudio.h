// A stand-in for a front end's audio port that only records what it is told,
// in one list for cues and music. The music thread may call it while a test
// looks, so the list is guarded.
#pragma once

#include "audio/music.h"
#include "audio/sound.h"

#include <mutex>
#include <string>
#include <vector>

namespace fakeAudio {

using Calls = std::vector<std::string>;

inline std::mutex mutex;
inline Calls calls;
inline bool failOpen = false;
inline bool failPlay = false;
inline bool pieceOpen = false;

inline void record(std::string call)
{
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back(std::move(call));
}

inline void playCue(const char* file)
{
    record(std::string("cue ") + file);
}

inline bool openPiece(const char* file)
{
    record(std::string("open ") + file);
    std::lock_guard<std::mutex> lock(mutex);
    pieceOpen = !failOpen;
    return !failOpen;
}

inline bool playPiece()
{
    record("play");
    std::lock_guard<std::mutex> lock(mutex);
    return !failPlay;
}

inline void pausePiece()
{
    record("pause");
}

inline void resumePiece()
{
    record("resume");
}

inline void closePiece()
{
    record("close");
    bool wasOpen = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wasOpen = pieceOpen;
        pieceOpen = false;
    }
    // Like SDL_mixer, halting a piece raises the end notification.
    if (wasOpen)
        musicPieceEnded();
}

// The open piece plays to its end: the notification a front end raises.
inline void reachEnd()
{
    musicPieceEnded();
}

// What happened since the last look.
inline Calls take()
{
    std::lock_guard<std::mutex> lock(mutex);
    Calls taken;
    taken.swap(calls);
    return taken;
}

// Installs the fake, forgetting what an earlier test did with it.
inline void install()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.clear();
        failOpen = failPlay = pieceOpen = false;
    }
    installAudioPort({playCue, openPiece, playPiece, pausePiece, resumePiece, closePiece});
}

}  // namespace fakeAudio
