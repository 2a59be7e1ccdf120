// Recording the game being played, and playing a recording back.
//
// The game is deterministic given what it consumes: the movement keys polled,
// the turns taken, the random draws and the few changes the window thread
// makes between ticks (options, the editor, a resize that re-centres the
// falling shape). The recorder notes exactly those, tick by tick; playback
// feeds them back into the same gameStep. Everything here runs under gameLock.
#pragma once

#include "persist/replayformat.h"

#include <string>

// Starts a new recording from the game as it stands: a new game, a loaded
// game, a sample or custom game. The player's name is taken now.
void startRecording();
// Takes up a recording kept beside the automatic save, when it ends where the
// restored game stands; otherwise starts a new one. True when taken up.
bool continueRecording(const Replay& kept);
// No recording (while watching another, the recorder rests).
void pauseRecording();
void resumeRecording();
bool recording();

// The game thread, before pollKeys and after gameStep: what changed since
// the last tick is the window thread's doing. Costs no allocation beyond the
// stream's amortised growth and no file access.
void recordTickStart();
void recordTickEnd();
// gameStep's turn, as taken from pendingRotation.
void recordTurn(int32_t rotation);

// The recording so far, ending at the game as it stands now.
Replay currentRecording();

// The recording kept beside the automatic save ("autosave.replay"), so that
// a game continued in the next run is watched whole. Kept on the window
// thread under gameLock on the way out; taken up at start-up once the
// automatic save is loaded (a new recording when it does not end there).
void keepRecordingBesideAutosave();
void takeUpRecordingBesideAutosave();

// Playback. beginPlayback installs the recording's start into the game
// record (the caller keeps what it needs of the game it replaces); false
// when the start cannot be read. Each playbackStep plays one tick.
enum PlaybackStep : int32_t {
    PLAYBACK_STEPPED = 0,
    PLAYBACK_FINISHED = 1,  // the recording's end, reached exactly as recorded
    PLAYBACK_DIVERGED = 2,  // recorded by rules that differ from these
};
bool beginPlayback(const Replay& replay);
PlaybackStep playbackStep();
void endPlayback();
// Ticks played so far of the recording's total.
int64_t playbackTicks();
