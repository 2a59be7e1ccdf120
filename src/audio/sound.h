// Sound cues through SDL2_mixer, and the sound device that the music shares.
#pragma once

#include <string>

// Opens the sound device, with MIDI pinned to the system's General MIDI
// soundfont when it is installed, and loads the three cues. False when there
// is no device: cues and music then stay silent and the game plays on.
// Window thread, at start-up, before the game and music threads start.
bool openAudio();

// Stops the music thread if it still runs (its piece must not outlive the
// device), frees the cues and closes the device. Window thread, at exit,
// after the game thread has stopped.
void closeAudio();

// Starts a cue, named relative to the data folder, and returns at once; a
// cue already sounding is cut off by the new one. A file that cannot be
// loaded is silent. Each file is loaded once and kept. Game thread (through
// the sound port, under gameLock).
void playSoundFile(const char* file);

// The path by which SDL opens a file of the data folder: UTF-8, which SDL
// expects on every platform (on Linux that is the file name's bytes as they
// are). Any thread.
std::string dataFilePath(const char* file);
