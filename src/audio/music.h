// Background music: a thread of its own plays the MIDI pieces one after
// another in random order. The window thread steers it with request flags;
// the thread sleeps until one is raised or the playing piece is due to end.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

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
// The open piece has come to its end; set by the player, never by the window.
extern std::atomic<bool> musicTrackEnded;

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
    // Milliseconds of playing until finished() turns true, if the player
    // can tell; the thread then sleeps that long at most.
    virtual std::optional<uint32_t> msUntilEnd() { return std::nullopt; }
};

// What the music thread remembers from one request to the next.
struct MusicThreadState {
    bool musicPaused = false;
    bool pieceOpen = false;
    // A piece ended while the music was paused: going on means a new piece.
    bool newPieceOnResume = false;
};

// Serves at most one request (stop, start, pause, resume, track
// ended, in this order). A piece that reports finished() while playing counts
// as a track end. Music thread; tests call it directly.
void serveMusicRequests(MusicPlayer& player, MusicThreadState& state);

// SDL2_mixer through FluidSynth, on the device that openAudio opened. A piece
// counts as finished once the mixer has played one second more than its
// length listed in "music/lengths.txt" (by then its last notes have rung
// out), which is well before FluidSynth itself reports the end; unlisted
// pieces end when FluidSynth says so. What counts is the sound the mixer
// made, not the clock: a device slower than the clock, or a stall, cuts no
// notes. Create and use it on one thread.
std::unique_ptr<MusicPlayer> createSdlMusicPlayer();

// Starts the music thread with the SDL player; when musicOn is set it starts
// a piece at once. The thread first calls prepare, when given: the shell
// opens the sound device there, off the window's path to its first frame.
// False when it is already running. Window thread, at start-up.
bool startMusicThread(void (*prepare)() = nullptr);

// Wakes the music thread at once, lets it close its piece and joins it.
// Window thread, at exit, before closeAudio.
void stopMusicThread();
