// Background music: a thread of its own plays the MIDI pieces one after
// another in random order, through the audio port (audio/sound.h). The window
// thread steers it with request flags, the port tells it when a piece has
// ended; the thread sleeps until one of them is raised.
#pragma once

#include <array>
#include <atomic>

// Relative to the data folder.
inline constexpr std::array<const char*, 10> MUSIC_FILES = {
    "music/Techno_01.mid", "music/Techno_02.mid", "music/Techno_03.mid", "music/Techno_04.mid",
    "music/Techno_05.mid", "music/Techno_06.mid", "music/Techno_07.mid", "music/Techno_08.mid",
    "music/Techno_09.mid", "music/Techno_10.mid"};

// Each poll serves the first of these that is set, in this order, and clears
// only that one; a request set twice before it is served counts once.
// Start playing: a new piece when none is open, else go on with the open one.
extern std::atomic<bool> musicStartRequest;
extern std::atomic<bool> musicPauseRequest;
extern std::atomic<bool> musicResumeRequest;
// Close the piece; set at exit.
extern std::atomic<bool> musicStopRequest;
// The open piece has come to its end; set through musicPieceEnded, never by
// the window's requests.
extern std::atomic<bool> musicTrackEnded;

// The port's notification that the piece it plays has come to its end: sets
// musicTrackEnded and wakes the music thread. Any thread: SDL's audio thread,
// or the Windows window thread forwarding MM_MCINOTIFY.
void musicPieceEnded();

// Turns a switch of the "Music" option (on = the new musicOn) into its
// request. A later request withdraws an opposite one still waiting, so that
// switching off and on again before it is served leaves the music playing. Window
// thread, from the "Music" command.
void musicOptionSwitched(bool on);

// Pauses the music when the main window loses the focus, unless our own
// message box took it, and resumes it when the window gets it back; nothing
// while "Music" is off. Window thread, on every activation change of the main
// window.
void musicWindowActivation(bool active);

// What the music thread remembers from one request to the next.
struct MusicThreadState {
    bool musicPaused = false;
    bool pieceOpen = false;
    // A piece ended while the music was paused: going on means a new piece.
    bool newPieceOnResume = false;
};

// Serves at most one request (stop, start, pause, resume, track ended, in
// this order) through the installed audio port. Music thread; tests call it
// directly.
void serveMusicRequests(MusicThreadState& state);

// Starts the music thread; when musicOn is set it starts a piece at once.
// The thread first calls prepare, when given: the front end opens the sound
// device and installs its audio port there, off the window's path to its
// first frame. Its last call is finish, when given: the front end frees there
// what the platform keeps for the thread. False when it is already running.
// Window thread, at start-up.
bool startMusicThread(void (*prepare)() = nullptr, void (*finish)() = nullptr);

// Wakes the music thread at once, lets it close its piece and joins it.
// Window thread, at exit, before the front end removes the audio port and
// closes the device.
void stopMusicThread();
