// Sound cues through PlaySoundW and MIDI music through the MCI sequencer,
// behind the game's audio port. Without a sound device every call fails
// quietly and the game plays on in silence.
#pragma once

#include <windows.h>

// Installs the cue player and starts the music thread; the sequencer reports
// the end of a piece to the window. Window thread, at start-up.
void startWin32Music(HWND window);

// MM_MCINOTIFY reached the window: a piece has ended (or was stopped).
// Window thread.
void win32MusicNotification(WPARAM flags, LPARAM device);

// Stops every sound. Window thread, on the way out, after the music thread
// has stopped.
void closeWin32Audio();
