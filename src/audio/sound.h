// Sound cues through SDL2_mixer, and the sound device that the music shares.
#pragma once

#include <string>

// Opens the sound device, with MIDI pinned to the system's General MIDI
// soundfont when it is installed, and loads the three cues. False when there
// is no device: cues and music then stay silent and the game plays on.
// At start-up, on the music thread before it plays (or on the window thread
// before the music thread starts); cues played before it are silent.
bool openAudio();

// Stops the music thread if it still runs (its piece must not outlive the
// device), frees the cues and closes the device. Window thread, at exit,
// after the game thread has stopped.
void closeAudio();

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

// Starts a cue, named relative to the data folder, and returns at once,
// without waiting for a resting audio thread to wake; a cue already sounding
// is cut off by the new one. A file that cannot be loaded is silent. Each
// file is loaded once and kept. Game thread (through the sound port, under
// gameLock).
void playSoundFile(const char* file);

// The path by which SDL opens a file of the data folder: UTF-8, which SDL
// expects on every platform (on Linux that is the file name's bytes as they
// are). Any thread.
std::string dataFilePath(const char* file);
