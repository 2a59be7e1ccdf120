// Sound on Linux: the audio port (audio/sound.h) on SDL2_mixer, MIDI through
// FluidSynth, and the sound device that cues and music share.
#pragma once

#include "audio/sound.h"

#include <cstdint>
#include <optional>
#include <string>

// Opens the sound device, with MIDI pinned to the system's General MIDI
// soundfont when it is installed, and loads the three cues. False when there
// is no device: cues and music then stay silent and the game plays on.
// At start-up, on the music thread before it plays (or on the window thread
// before the music thread starts); cues played before it are silent.
bool openAudio();

// Stops the music thread if it still runs (its piece must not outlive the
// device), closes a piece still open, frees the cues and closes the device.
// Window thread, at exit, after the game thread has stopped.
void closeAudio();

// The port on the device that openAudio opened; cues are silent and pieces
// fail to open while it is closed.
//
// Cues: each file is loaded once and kept; one that cannot be loaded is
// silent. Any thread.
//
// Music: a piece counts as ended once the mixer has played one second more
// than its length listed in "music/lengths.txt" (by then its last notes have
// rung out), which is well before FluidSynth itself reports the end; unlisted
// pieces end when FluidSynth says so. What counts is the sound the mixer made,
// not the clock: a device slower than the clock, or a stall, cuts no notes.
// Either end reaches musicPieceEnded from SDL's audio thread. One thread at a
// time (the music thread).
AudioPort sdlAudioPort();

// Milliseconds of playing until the open piece counts as ended, by what the
// mixer has played of it so far; nothing when no listed piece plays (none
// open, paused, or unlisted). The thread that plays the music.
std::optional<uint32_t> msUntilPieceEnd();

// Lets SDL's audio thread rest while nothing sounds: no cue, and no music or
// only paused music. SDL 2 keeps a paused device's thread feeding it silence
// some forty times a second, so the thread is instead made to wait on a
// condition inside the mixer, after it has handed the device a buffer of
// silence. Nothing audible is cut: it rests only after a whole silent buffer.
// After openAudio, on the same thread; closeAudio ends it.
void letAudioRestWhenSilent();

// True while the audio thread rests and no cue waits for it to wake. Any
// thread.
bool audioResting();

// While one lives, the audio thread does not rest. A resting audio thread
// holds the device's lock, which most SDL_mixer calls take: every such call
// of the game is made under one, and wakes the device first, except a cue,
// which a resting thread is handed to start as it wakes. Any thread.
class AudioWake {
public:
    AudioWake();
    ~AudioWake();
    AudioWake(const AudioWake&) = delete;
    AudioWake& operator=(const AudioWake&) = delete;
};

// SDL keeps a block of thread-local data (its error text among it) for every
// thread that calls it, and frees it by itself only on threads it started.
// A thread of ours that called SDL calls this last. The music thread's
// finish.
void freeSdlThreadData();

// The path by which SDL opens a file of the data folder: UTF-8, which SDL
// expects on every platform (on Linux that is the file name's bytes as they
// are). Any thread.
std::string dataFilePath(const char* file);
