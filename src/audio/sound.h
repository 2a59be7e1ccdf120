// The audio port that each front end implements, and the game's cues through
// it. No toolkit here: SDL2_mixer's port lives in qt/sdlaudio, PlaySound's and
// the MCI sequencer's in win32/.
#pragma once

// What the game's sound asks of the platform: cues, and MIDI pieces for the
// music thread (audio/music.h), files named relative to the data folder. The
// front end installs it once its sound device is open. A member left nullptr
// does nothing, and so does the port before any is installed: with no sound
// device cues and music stay silent and the game plays on.
struct AudioPort {
    // Starts a cue and returns at once; a cue still sounding stops, the new
    // one takes its place. Game thread, under gameLock: never blocks.
    void (*playCue)(const char* file) = nullptr;

    // The music thread's piece, at most one open. Music thread, all five.
    // Loads a piece, ready at its start. False leaves nothing open.
    bool (*openPiece)(const char* file) = nullptr;
    // Plays the open piece once, from its start. When it has played to its
    // end the front end calls musicPieceEnded(), from whatever thread learns
    // of it; only for the piece open now, and only for a real end, not for a
    // pause or a close.
    bool (*playPiece)() = nullptr;
    void (*pausePiece)() = nullptr;
    // Goes on where pausePiece stopped; nothing when not paused.
    void (*resumePiece)() = nullptr;
    // Halts and frees the piece; nothing when none is open.
    void (*closePiece)() = nullptr;
};

// Installs the front end's port; {} makes everything silent again. Window or
// music thread, while no other thread plays music through the old one: the
// front end installs it as the music thread starts and removes it after that
// thread has stopped, before it closes the device.
void installAudioPort(const AudioPort& port);

// The port installed now, {} when none. Any thread.
AudioPort audioPort();

// Plays a cue through the installed port: what the front end installs as the
// game's sound port (core/ports.h), which plays the cues of core/ and game/
// while "Sounds" is on. A null file is silent. Game thread, under gameLock.
void playCue(const char* file);
