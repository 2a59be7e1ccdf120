// Background music: a thread of its own plays the MIDI pieces one after
// another in random order. The window thread steers it with request flags,
// which the thread serves once a second, one request per poll.
#pragma once

#include <array>
#include <atomic>
#include <memory>

// Relative to the data folder.
inline constexpr std::array<const char*, 10> MUSIC_FILES = {
    "music/Techno_01.mid", "music/Techno_02.mid", "music/Techno_03.mid", "music/Techno_04.mid",
    "music/Techno_05.mid", "music/Techno_06.mid", "music/Techno_07.mid", "music/Techno_08.mid",
    "music/Techno_09.mid", "music/Techno_10.mid"};

// Each poll serves the first of these that is set, in this order, and clears
// only that one; a request set twice between two polls counts once.
// Start playing: a new piece when none is open, else go on with the open one.
extern std::atomic<bool> musicStartRequest;
extern std::atomic<bool> musicPauseRequest;
extern std::atomic<bool> musicResumeRequest;
// Close the piece; set at exit.
extern std::atomic<bool> musicStopRequest;
// The open piece has come to its end; set by the player, never by the window.
extern std::atomic<bool> musicTrackEnded;

// Turns a switch of the "Music" option (on = the new musicOn) into its
// request. A later request withdraws an opposite one still waiting, so that
// switching off and on again within a poll leaves the music playing. Window
// thread, from the "Music" command.
void musicOptionSwitched(bool on);

// Pauses the music when the main window loses the focus, unless our own
// message box took it, and resumes it when the window gets it back; nothing
// while "Music" is off. Window thread, on every activation change of the main
// window.
void musicWindowActivation(bool active);

// What the music thread asks of a MIDI player. The real one is SDL2_mixer's;
// tests drive the request logic with a fake.
class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    // Loads a piece, ready at its start. False leaves nothing open.
    virtual bool open(const char* file) = 0;
    // Plays the open piece once, from its start.
    virtual bool play() = 0;
    virtual void pause() = 0;
    // Goes on where pause() stopped; nothing when not paused.
    virtual void resume() = 0;
    // Halts and frees the piece; nothing when none is open.
    virtual void close() = 0;
    // The open piece has played to its end (its playing time only).
    virtual bool finished() = 0;
};

// What the music thread remembers between polls.
struct MusicThreadState {
    bool musicPaused = false;
    bool pieceOpen = false;
    // A piece ended while the music was paused: going on means a new piece.
    bool newPieceOnResume = false;
};

// One poll: serves at most one request (stop, start, pause, resume, track
// ended, in this order). A piece that reports finished() while playing counts
// as a track end. Music thread; tests call it directly.
void serveMusicRequests(MusicPlayer& player, MusicThreadState& state);

// SDL2_mixer through FluidSynth, on the device that openAudio opened. A piece
// counts as finished one second after its length listed in
// "music/lengths.txt" (by then its last notes have rung out), which is well
// before FluidSynth itself reports the end; unlisted pieces end when
// FluidSynth says so. Create and use it on one thread.
std::unique_ptr<MusicPlayer> createSdlMusicPlayer();

// Starts the music thread with the SDL player; when musicOn is set the first
// poll starts a piece. False when it is already running. Window thread, at
// start-up after openAudio.
bool startMusicThread();

// Wakes the music thread at once, lets it close its piece and joins it.
// Window thread, at exit, before closeAudio.
void stopMusicThread();
